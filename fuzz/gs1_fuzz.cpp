// The GS1 label reader: any text is a label, a malformed one with a message, or no label, never
// more. A label's fields keep their limits, and written out again in either form it reads the
// same.
#include <optional>
#include <string>
#include <string_view>

#include "fuzz/fuzz_input.h"
#include "list_services/gs1_label.h"

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

std::string TwoDigits(int value) {
  return std::string(1, static_cast<char>('0' + value / 10)) + static_cast<char>('0' + value % 10);
}

void RequireDate(const std::optional<qmz::Gs1Date>& date) {
  if (!date) return;
  Require(date->year >= 2000 && date->year <= 2099);
  Require(date->month >= 1 && date->month <= 12 && date->day >= 1 && date->day <= 31);
  Require(qmz::FormatGs1Date(*date).size() == 10);
}

std::string Yymmdd(const qmz::Gs1Date& date) {
  return TwoDigits(date.year % 100) + TwoDigits(date.month) + TwoDigits(date.day);
}

// The label written out: bracketed, or as a scanner types it (a GS after each variable value).
std::string Written(const qmz::Gs1Label& label, bool bracketed) {
  std::string text;
  const auto add = [&](const char* code, const std::string& value, bool variable) {
    text += bracketed ? "(" + std::string(code) + ")" + value : code + value;
    if (!bracketed && variable) text += '\x1d';
  };
  if (!label.gtin.empty()) add("01", label.gtin, false);
  if (!label.batch.empty()) add("10", label.batch, true);
  if (label.produced) add("11", Yymmdd(*label.produced), false);
  if (label.expiry) add("17", Yymmdd(*label.expiry), false);
  if (!label.serial.empty()) add("21", label.serial, true);
  if (label.count) add("30", std::to_string(*label.count), true);
  return "]C1" + text;
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
      Require(reading.error.rfind("The label", 0) == 0 && reading.error.size() < 300);
    }
    return 0;
  }
  Require(reading.error.empty() && size <= qmz::kMaxGs1LabelBytes);
  const qmz::Gs1Label& label = reading.label;
  Require(label.gtin.empty() || (label.gtin.size() == 14 && qmz::IsValidGtin14(label.gtin)));
  Require(label.batch.size() <= 20 && InSet82(label.batch));
  Require(label.serial.size() <= 20 && InSet82(label.serial));
  Require(!label.count || (*label.count >= 0 && *label.count <= 99999999));
  RequireDate(label.expiry);
  RequireDate(label.produced);
  Require(AllDigits(label.gtin));

  const qmz::Gs1Reading scanned = qmz::ReadGs1Label(Written(label, false));
  Require(scanned.kind == Kind::kLabel && scanned.label == label);
  if (label.batch.find('(') == std::string::npos && label.serial.find('(') == std::string::npos) {
    const qmz::Gs1Reading bracketed = qmz::ReadGs1Label(Written(label, true));
    Require(bracketed.kind == Kind::kLabel && bracketed.label == label);
  }
  return 0;
}
