// The number texts of the scripting language (Format with a pattern, Val, the Single text) and
// Like: any text and pattern give an answer or qmz::Error, and Like never runs away.
#include <cstring>

#include "fuzz/fuzz_input.h"
#include "platform/like.h"
#include "platform/number_format.h"
#include "qmz/error.h"
#include "qmz/variant.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const qmz::fuzz::Input input = qmz::fuzz::Split(data, size);
  double value = 0;
  if (input.Text(0).size() >= sizeof value) std::memcpy(&value, input.Text(0).data(), sizeof value);
  try {
    qmz::FormatNumber(value, input.Text(1));
    qmz::FormatNumber(qmz::LeadingNumber(input.Text(2)), input.Text(1));
  } catch (const qmz::Error&) {
  }
  double parsed = 0;
  qmz::ParseNumber(input.Text(2), parsed);
  qmz::SingleToText(static_cast<float>(value));
  try {
    qmz::Like(input.Text(2), input.Text(3));
  } catch (const qmz::Error&) {
  }
  return 0;
}
