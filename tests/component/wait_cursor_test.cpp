#include "list_services/wait_cursor.h"

#include <gtest/gtest.h>

#include <memory>

#include "qmz/host.h"

namespace qmz {
namespace {

TEST(WaitCursorTest, EachInstanceCountsOnlyItself) {
  std::vector<int> changes;
  SetMousePointerListener([&changes](int p) { changes.push_back(p); });
  {
    auto first = std::make_unique<WaitCursor>();
    EXPECT_EQ(ScreenMousePointer(), kPointerHourglass);
    first->BeginWait();  // nested on the same instance: no new change
    first->EndWait();
    EXPECT_EQ(ScreenMousePointer(), kPointerHourglass);
    WaitCursor second;
    first.reset();  // the first to end brings back the default though the second lives
    EXPECT_EQ(ScreenMousePointer(), kPointerDefault);
  }
  SetMousePointerListener(nullptr);
  EXPECT_EQ(changes, (std::vector<int>{11, 11, 0, 0}));
}

}  // namespace
}  // namespace qmz
