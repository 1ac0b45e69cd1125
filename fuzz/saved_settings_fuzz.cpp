// The reading of saved widths and check box states: any saved text gives a width the grid
// accepts (0 to the widest saved width, or the default) and a state of 0 or 1.
#include "fuzz/fuzz_input.h"
#include "list_services/saved_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  // Every part of a ColWidth record, as the pickers split it.
  size_t start = 0;
  for (;;) {
    const size_t bar = text.find('|', start);
    const float width = qmz::SavedWidth(text.substr(start, bar - start), 1000);
    qmz::fuzz::Require(width >= 0 && width <= qmz::kMaxSavedWidth);
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  const int16_t state = qmz::SavedCheckState(text);
  qmz::fuzz::Require(state == 0 || state == 1);
  return 0;
}
