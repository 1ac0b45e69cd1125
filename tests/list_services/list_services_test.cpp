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

// A looked-up row with these texts.
Dictionary LookedUp(const char* quantity, const char* price, const char* amount) {
  Dictionary row;
  row.Set("FQty", quantity);
  if (price) row.Set("Fprice", price);
  row.Set("FAmount", amount);
  return row;
}

TEST(UnitPriceTest, ZeroQuantityHasNoPriceAndALookupsRowFollowsTheInventory) {
  EXPECT_EQ(UnitPrice(4, 10), 2.5);
  EXPECT_EQ(UnitPrice(0, 8), 0);
  EXPECT_EQ(UnitPrice(-2, 5), -2.5);
  // Open: the summed stored price of a row without quantity never reaches the host.
  struct Case {
    const char *quantity, *price, *amount;
    bool closed;
    const char* answer;  // Fprice afterwards, "" for none
  };
  for (const Case& c : {Case{"0", "5.2", "0", false, "0"}, Case{"120", "5", "300", false, "2.5"},
                        Case{"120", "0", "300", true, "0"}, Case{"1", nullptr, "2", false, ""}}) {
    Dictionary row = LookedUp(c.quantity, c.price, c.amount);
    SetLookupUnitPrice(row, c.closed);
    EXPECT_EQ(row.Exists("Fprice") ? row.Get("Fprice").ToText() : "", c.answer) << c.quantity;
  }
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
