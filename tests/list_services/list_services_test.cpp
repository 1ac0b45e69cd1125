// The services every list shares: rows as dictionaries, the unit price, the wait cursor.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "list_services/row_to_dictionary.h"
#include "list_services/unit_price.h"
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

TEST(UnitPriceTest, ZeroQuantityHasNoPriceAndALookupsRowFollowsTheInventory) {
  EXPECT_EQ(UnitPrice(4, 10), 2.5);
  EXPECT_EQ(UnitPrice(0, 8), 0);
  EXPECT_EQ(UnitPrice(-2, 5), -2.5);
  // Open: the summed stored price of a row without quantity never reaches the host.
  Dictionary open;
  open.Set("FQty", "0");
  open.Set("Fprice", "5.2");
  open.Set("FAmount", "0");
  SetLookupUnitPrice(open, false);
  EXPECT_EQ(open.Get("Fprice").ToText(), "0");
  open.Set("FQty", "120");
  open.Set("FAmount", "300");
  SetLookupUnitPrice(open, false);
  EXPECT_EQ(open.Get("Fprice").ToText(), "2.5");
  // Closed: the query's price stays; a row without Fprice gets none.
  Dictionary closed;
  closed.Set("FQty", "120");
  closed.Set("Fprice", "0");
  closed.Set("FAmount", "300");
  SetLookupUnitPrice(closed, true);
  EXPECT_EQ(closed.Get("Fprice").ToText(), "0");
  Dictionary none;
  none.Set("FQty", "1");
  SetLookupUnitPrice(none, false);
  EXPECT_FALSE(none.Exists("Fprice"));
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
