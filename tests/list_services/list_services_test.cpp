// The services every list shares: rows as dictionaries and the wait cursor.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "list_services/row_to_dictionary.h"
#include "list_services/wait_cursor.h"
#include "qmz/containers.h"
#include "qmz/host.h"
#include "qmz/recordset.h"

namespace qmz {
namespace {

TEST(RowToDictionaryTest, TrimmedTextsInFieldOrderOrEveryKeyEmpty) {
  Recordset rows({"FBatchNo", "FQty", "AuxName"});
  rows.AddRecord({" B1 ", 12.5, Variant::Null()});
  EXPECT_EQ(
      RowToDictionary(rows)->Entries(),
      (std::vector<Dictionary::Entry>{{"FBatchNo", "B1"}, {"FQty", "12.5"}, {"AuxName", ""}}));
}

TEST(WaitCursorTest, EachInstanceCountsOnlyItself) {
  std::vector<int> changes;
  SetMousePointerListener([&changes](int p) { changes.push_back(p); });
  {
    auto first = std::make_unique<WaitCursor>();
    EXPECT_EQ(ScreenMousePointer(), kPointerHourglass);
    first->BeginWait();  // nested on the same instance: no new change
    first->EndWait();
    WaitCursor second;
    first.reset();  // the first to end brings back the default though the second lives
    EXPECT_EQ(ScreenMousePointer(), kPointerDefault);
  }
  SetMousePointerListener(nullptr);
  EXPECT_EQ(changes, (std::vector<int>{11, 11, 0, 0}));
}

}  // namespace
}  // namespace qmz
