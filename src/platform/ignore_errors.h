// Steps run "with errors ignored": a failing step is skipped and the next one runs. Each step
// reads as one line: IgnoreErrors([&] { ... });
#pragma once

#include <utility>

namespace qmz {

template <class Step>
bool IgnoreErrors(Step&& step) noexcept {
  try {
    std::forward<Step>(step)();
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace qmz
