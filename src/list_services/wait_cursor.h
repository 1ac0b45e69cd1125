// WaitCursor: shows the hourglass while it lives. Each instance counts only itself, so when one
// of two overlapping instances ends the pointer returns to the default.
#pragma once

#include <cstdint>

namespace qmz {

class WaitCursor {
 public:
  WaitCursor() { BeginWait(); }
  ~WaitCursor() { EndWait(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

  void BeginWait();
  void EndWait();

 private:
  int32_t count_ = 0;
};

}  // namespace qmz
