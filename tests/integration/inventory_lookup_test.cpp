// GetBatch and GetAux end to end: the exact batches the library sends, run on the demo suite.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "component/inventory_sql.h"
#include "integration/demo_suite.h"
#include "qmz/baselist.h"
#include "qmz/containers.h"

namespace qmz::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;

const std::vector<std::string> kBatchFields = {"FBatchNo", "stockName", "FQty",        "Fprice",
                                               "FAmount",  "FKFDate",   "FPeriodDate", "FUnitName"};
const std::vector<std::string> kAuxFields = {"AuxName", "stockName", "FQty", "AuxPropID", "FIndex"};

std::string Text(const ObjectPtr& result, const std::string& key) {
  auto dictionary = std::dynamic_pointer_cast<Dictionary>(result);
  if (!dictionary) return "<no dictionary>";
  if (!dictionary->Exists(key)) return "<no key " + key + ">";
  return dictionary->Get(key).ToText();
}

// The result's values of `fields`, joined as Rows() joins them.
std::string Joined(const ObjectPtr& result, const std::vector<std::string>& fields) {
  std::string row;
  for (size_t f = 0; f < fields.size(); ++f) row += (f ? "|" : "") + Text(result, fields[f]);
  return row;
}

using InventoryLookupTest = DemoSuite;

TEST_F(InventoryLookupTest, GetBatchSumsEachWarehouseOfTheBatch) {
  OnNewThread([&] {
    BaseList list;
    ObjectPtr result = list.GetBatch(1, "B2601", 0, 0, 0);
    ASSERT_EQ(sql_sent->size(), 1u);
    EXPECT_EQ(sql_sent->back(),
              kBatchHeadClosed + " Where a.FitemID = 1 and a.FBatchNo='B2601'" + kBatchGroupClosed);
    std::vector<std::string> rows = Rows(sql_sent->back(), kBatchFields);
    EXPECT_THAT(rows, UnorderedElementsAre("B2601|北京仓|120|0|300|2026-01-05|2027-01-05|个",
                                           "B2601|上海仓|40|0|100|2026-01-05|2027-01-05|个",
                                           "B2601|虚拟仓|5|0|12.5|2026-01-05|2027-01-05|个"));
    // The lookup answers the first row the database returns.
    EXPECT_EQ(Joined(result, kBatchFields), rows.front());
    EXPECT_EQ(Text(result, "FISKFPeriod"), "1");
    EXPECT_EQ(Text(result, "AuxName"), "");

    // Virtual warehouses are left out for the two class types; a stock id narrows to one.
    list.GetBatch(1, "B2601", 0, 0, 1080001);
    EXPECT_EQ(sql_sent->back(), kBatchHeadClosed +
                                    " Where a.FitemID = 1 and  b.FTypeID <> 502  and "
                                    "a.FBatchNo='B2601'" +
                                    kBatchGroupClosed);
    EXPECT_THAT(Rows(sql_sent->back(), {"stockName", "FQty"}),
                UnorderedElementsAre("北京仓|120", "上海仓|40"));
    result = list.GetBatch(1, "B2601", 2, 0, 1020004);
    EXPECT_THAT(Rows(sql_sent->back(), {"stockName", "FQty"}), ElementsAre("上海仓|40"));
    EXPECT_EQ(Text(result, "StockNumber"), "02");

    // Quotes in the batch number are doubled and still find the batch.
    result = list.GetBatch(1, "A'B", 0, 0, 0);
    EXPECT_EQ(sql_sent->back(),
              kBatchHeadClosed + " Where a.FitemID = 1 and a.FBatchNo='A''B'" + kBatchGroupClosed);
    EXPECT_EQ(Joined(result, kBatchFields), "A'B|广州仓|7|0|14|2026-03-01|2027-03-01|个");

    // A batch the item does not have: every key, each empty.
    result = list.GetBatch(1, "B2699", 0, 0, 0);
    EXPECT_EQ(Joined(result, kBatchFields), "|||||||");
  });
}

TEST_F(InventoryLookupTest, GetBatchBeforeTheClosingReadsTheOpeningBalances) {
  host.Set("ICClosed", false);
  OnNewThread([&] {
    BaseList list;
    ObjectPtr result = list.GetBatch(1, "B2601", 1, 0, 0);
    EXPECT_EQ(sql_sent->back(), kBatchHeadOpen +
                                    " Where a.FitemID = 1 and a.FBatchNo='B2601' and "
                                    "a.FStockID=1" +
                                    kBatchGroupOpen);
    // Two opening rows in warehouse 1: quantities, prices and amounts are summed as sent.
    EXPECT_EQ(Joined(result, kBatchFields), "B2601|北京仓|120|5|300|2026-01-05|2027-01-05|个");
  });
}

TEST_F(InventoryLookupTest, DataAuthorisationKeepsOutWarehousesOfOtherUsers) {
  LogInAs("clerk");
  OnNewThread([&] {
    BaseList list;
    list.GetBatch(1, "B2601", 0, 0, 0);
    EXPECT_EQ(sql_sent->back(), kBatchHeadClosed +
                                    " Where a.FitemID = 1 And  CharIndex('3',b.FRightUserID)>0  "
                                    "and a.FBatchNo='B2601'" +
                                    kBatchGroupClosed);
    // 上海仓 lists users 1 and 12 only.
    EXPECT_THAT(Rows(sql_sent->back(), {"stockName", "FQty"}),
                UnorderedElementsAre("北京仓|120", "虚拟仓|5"));

    ObjectPtr result = list.GetAux(2, "Red", 0, 0, 1020004);
    EXPECT_EQ(sql_sent->back(),
              AuxLookupSql(true,
                           " Where a.FitemID=2 and  b.FTypeID <> 502  And  "
                           "CharIndex('3',b.FRightUserID)>0  and c.Fname like '%Red%'",
                           "Red"));
    EXPECT_THAT(Rows(sql_sent->back(), kAuxFields),
                UnorderedElementsAre("Dark Red|全部仓库|0|4|0", "Dark Red|北京仓|0|4|1",
                                     "Red|全部仓库|10|1|0", "Red|北京仓|10|1|1"));
  });
  // The authorisation answer was cached for the host.
  EXPECT_TRUE(host.Get("NeedAuthrize").ToBool());
}

TEST_F(InventoryLookupTest, GetAuxAnswersTheFirstMatchingPropertysTotal) {
  OnNewThread([&] {
    BaseList list;
    ObjectPtr result = list.GetAux(2, "Red", 0, 0, 0);
    EXPECT_EQ(sql_sent->back(),
              AuxLookupSql(true, " Where a.FitemID=2 and c.Fname like '%Red%'", "Red"));
    std::vector<std::string> rows = Rows(sql_sent->back(), kAuxFields);
    // Totals first within each property; properties not matching the text never show.
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0], "Dark Red|全部仓库|0|4|0");
    EXPECT_EQ(rows[1], "Dark Red|北京仓|0|4|1");
    EXPECT_EQ(rows[2], "Red|全部仓库|15|1|0");
    EXPECT_THAT(std::vector<std::string>(rows.begin() + 3, rows.end()),
                UnorderedElementsAre("Red|北京仓|10|1|1", "Red|上海仓|5|1|1"));
    EXPECT_EQ(Joined(result, kAuxFields), rows[0]);
    EXPECT_EQ(Text(result, "AuxNumber"), "DR");

    result = list.GetAux(2, "Blue", 0, 0, 0);
    EXPECT_EQ(Joined(result, kAuxFields), "Blue|全部仓库|3|2|0");

    // Not closed, one warehouse, one property id: the opening balances of that cell only.
    host.Set("ICClosed", false);
    result = list.GetAux(2, "Red", 2, 1, 0);
    EXPECT_EQ(sql_sent->back(), AuxLookupSql(false,
                                             " Where a.FitemID=2 and c.Fname like '%Red%' and "
                                             "a.FStockID=2 and a.FAuxPropID=1",
                                             "Red"));
    EXPECT_THAT(Rows(sql_sent->back(), kAuxFields),
                ElementsAre("Dark Red|全部仓库|0|4|0", "Red|全部仓库|5|1|0", "Red|上海仓|5|1|1"));

    // A quote in the text is doubled in both conditions; nothing matches.
    result = list.GetAux(2, "O'Neil", 0, 0, 0);
    EXPECT_EQ(sql_sent->back(),
              AuxLookupSql(false, " Where a.FitemID=2 and c.Fname like '%O''Neil%'", "O''Neil"));
    EXPECT_EQ(Joined(result, kAuxFields), "||||");
  });
}

}  // namespace
}  // namespace qmz::testing
