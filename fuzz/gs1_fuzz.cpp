// The GS1 label reader: any text is a label, a malformed one with a message, or no label, never
// more. A label's fields keep their limits, and written out again in either form it reads the
// same.
#include <optional>
#include <string>
#include <string_view>

#include "fuzz/fuzz_input.h"
#include "inventory/gs1_identifiers.h"
#include "inventory/gs1_label.h"

namespace {

using qmz::fuzz::Require;

bool AllDigits(std::string_view text) {
  return text.find_first_not_of("0123456789") == std::string_view::npos;
}

// GS1's character set 82, written out apart from the reader's own check.
bool InSet82(std::string_view text) {
  static constexpr std::string_view kSet82 =
      "!\"%&'()*+,-./0123456789:;<=>?ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz";
  return text.find_first_not_of(kSet82) == std::string_view::npos;
}

void RequireDate(const std::optional<qmz::Gs1Date>& date) {
  if (!date) return;
  Require(date->year >= 2000 && date->year <= 2099);
  Require(date->month >= 1 && date->month <= 12 && date->day >= 1 && date->day <= 31);
  Require(qmz::FormatGs1Date(*date).size() == 10);
}

// The label's fields written out again: bracketed, or as a scanner types it (a GS after each
// value whose length is not predefined).
std::string Written(const qmz::Gs1Label& label, bool bracketed) {
  std::string text = bracketed ? "" : "]C1";
  for (const qmz::Gs1Element& element : label.elements) {
    const qmz::Gs1Identifier* identifier = qmz::FindGs1Identifier(element.ai);
    Require(identifier != nullptr);
    text += bracketed ? "(" + element.ai + ")" + element.value : element.ai + element.value;
    if (!bracketed && !identifier->predefined) text += '\x1d';
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const qmz::Gs1Reading reading = qmz::ReadGs1Label(text);
  using Kind = qmz::Gs1Reading::Kind;
  if (reading.kind != Kind::kLabel) {
    Require(reading.label == qmz::Gs1Label{});
    if (reading.kind == Kind::kNotALabel) Require(reading.error.empty());
    if (reading.kind == Kind::kMalformed) {
      Require(reading.error.rfind("标签", 0) == 0 && reading.error.size() < 400);
    }
    return 0;
  }
  Require(reading.error.empty() && size <= qmz::kMaxGs1LabelBytes &&
          !reading.label.elements.empty());
  const qmz::Gs1Label& label = reading.label;
  Require(label.gtin.empty() || (label.gtin.size() == 14 && qmz::HasGs1CheckDigit(label.gtin)));
  Require(label.batch.size() <= 20 && InSet82(label.batch));
  Require(label.serial.size() <= 20 && InSet82(label.serial));
  Require(!label.count || (*label.count >= 0 && *label.count <= 99999999));
  RequireDate(label.expiry);
  RequireDate(label.produced);
  Require(AllDigits(label.gtin));
  for (const qmz::Gs1Element& element : label.elements) {
    const qmz::Gs1Identifier* identifier = qmz::FindGs1Identifier(element.ai);
    Require(identifier != nullptr && element.value.size() >= identifier->min_length &&
            element.value.size() <= identifier->max_length);
    if (identifier->charset == qmz::Gs1Charset::kDigits) Require(AllDigits(element.value));
  }

  const qmz::Gs1Reading scanned = qmz::ReadGs1Label(Written(label, false));
  Require(scanned.kind == Kind::kLabel && scanned.label == label);
  bool bracket_safe = true;
  for (const qmz::Gs1Element& element : label.elements) {
    bracket_safe = bracket_safe && element.value.find('(') == std::string::npos;
  }
  if (bracket_safe) {
    const qmz::Gs1Reading bracketed = qmz::ReadGs1Label(Written(label, true));
    Require(bracketed.kind == Kind::kLabel && bracketed.label == label);
  }
  return 0;
}
