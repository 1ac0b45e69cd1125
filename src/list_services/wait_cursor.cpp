#include "list_services/wait_cursor.h"

#include "qmz/host.h"

namespace qmz {

void WaitCursor::BeginWait() {
  ++count_;
  if (count_ == 1) SetScreenMousePointer(kPointerHourglass);
}

void WaitCursor::EndWait() {
  bool was_one = count_ == 1;
  --count_;
  if (was_one) SetScreenMousePointer(kPointerDefault);
}

}  // namespace qmz
