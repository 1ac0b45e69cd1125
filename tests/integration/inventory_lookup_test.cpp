// GetBatch and GetAux end to end: the exact batches the library sends, run on the demo suite.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "component/inventory_sql.h"
#include "integration/demo_suite.h"
#include "list_services/list_settings.h"
#include "qmz/baselist.h"
#include "qmz/components.h"
#include "qmz/containers.h"
#include "qmz/error.h"
#include "qmz/recordset.h"

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
    EXPECT_EQ(sql_sent->back(), kBatchHeadClosed +
                                    " Where a.FitemID = 1 and  b.FTypeID <> 502  and "
                                    "a.FBatchNo='B2601' and a.FStockID=2" +
                                    kBatchGroupClosed);
    EXPECT_THAT(Rows(sql_sent->back(), {"stockName", "FQty"}), ElementsAre("上海仓|40"));
    EXPECT_EQ(Text(result, "StockNumber"), "02");

    // Quotes in the batch number are doubled and still find the batch.
    result = list.GetBatch(1, "A'B", 0, 0, 0);
    EXPECT_EQ(sql_sent->back(),
              kBatchHeadClosed + " Where a.FitemID = 1 and a.FBatchNo='A''B'" + kBatchGroupClosed);
    EXPECT_EQ(Joined(result, kBatchFields), "A'B|广州仓|7|0|14|2026-03-01|2027-03-01|个");

    // A batch the item does not have: every key, each empty.
    result = list.GetBatch(1, "B2699", 0, 7, 0);
    EXPECT_EQ(sql_sent->back(), kBatchHeadClosed +
                                    " Where a.FitemID = 1 and a.FBatchNo='B2699' and "
                                    "a.FAuxPropID=7" +
                                    kBatchGroupClosed);
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
    list.GetBatch(1, "B2601", 0, 0, 1020004);
    EXPECT_EQ(sql_sent->back(), kBatchHeadClosed +
                                    " Where a.FitemID = 1 and  b.FTypeID <> 502  And  "
                                    "CharIndex('3',b.FRightUserID)>0  and a.FBatchNo='B2601'" +
                                    kBatchGroupClosed);
    EXPECT_EQ(*props_sent, "UserName=clerk;UserID=3;AcctName={演示账套};Language=chs");
    // 上海仓 lists users 1 and 12 only; 虚拟仓 is virtual.
    EXPECT_THAT(Rows(sql_sent->back(), {"stockName", "FQty"}), ElementsAre("北京仓|120"));

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

TEST_F(InventoryLookupTest, PreconditionsAndFailuresReturnNoObjectQuietly) {
  OnNewThread([&] {
    BaseList list;
    EXPECT_EQ(list.GetBatch(0, "B1", 0, 0, 0), nullptr);
    EXPECT_EQ(list.GetBatch(-4, "B1", 0, 0, 0), nullptr);
    EXPECT_EQ(list.GetBatch(5, "", 0, 0, 0), nullptr);
    EXPECT_EQ(list.GetAux(0, "Red", 0, 0, 0), nullptr);
    EXPECT_EQ(list.GetAux(5, "", 0, 0, 0), nullptr);
    EXPECT_TRUE(sql_sent->empty());
  });
  LogInAs("clerk");  // an authorisation condition that cannot be built ends the lookup
  ComponentRegistry::Instance().Unregister(progid::kGLData);
  OnNewThread([&] { EXPECT_EQ(BaseList().GetBatch(1, "B2601", 0, 0, 0), nullptr); });
  ComponentRegistry::Instance().Unregister(progid::kClassInfo);
  LogInAs("administrator");
  OnNewThread([&] { EXPECT_EQ(BaseList().GetAux(2, "Red", 0, 0, 0), nullptr); });
  EXPECT_TRUE(sql_sent->empty());
}

TEST_F(InventoryLookupTest, CreatableByProgIdAndCallableByNameOrNumber) {
  RegisterBaseListClass();
  LogInAs("guest");
  OnNewThread([&] {
    auto& registry = ComponentRegistry::Instance();
    auto list = std::dynamic_pointer_cast<BaseList>(registry.Create("QMZBaseList.BaseList"));
    ASSERT_TRUE(list);
    EXPECT_TRUE(std::dynamic_pointer_cast<BaseList>(
        registry.Create("{942525AF-49FE-4A89-8DA1-9A6964F14C86}")));
    std::vector<Variant> keyword = {"abc"};
    list->Invoke("keyword", keyword);
    EXPECT_EQ(ListSettings().KeyWord, "abc");
    std::vector<Variant> args = {1, "A'B", 0, 0, 0};
    EXPECT_EQ(Text(list->Invoke("GetBatch", args).As<Dictionary>(), "stockName"), "广州仓");
    std::vector<Variant> aux = {2, "Blue", 0, 0, 0};  // member 10: GetAux
    EXPECT_EQ(Text(list->InvokeMember(10, aux).As<Dictionary>(), "FQty"), "3");
    std::vector<Variant> too_few = {5};
    EXPECT_THROW(list->Invoke("GetBatch", too_few), Error);
    EXPECT_THROW(list->Invoke("NoSuchMember", args), Error);
    EXPECT_THROW(list->InvokeMember(13, args), Error);
    // The dialogs answer null: the guest may not query base data, and there is no modal host.
    EXPECT_FALSE(list->Invoke("ShowAux", args).As<Dictionary>());
    std::vector<Variant> show_args = {Variant(7), Variant(18)};
    EXPECT_FALSE(list->Invoke("show", show_args).As<Recordset>());
    EXPECT_EQ(show_args[0].ToInt32(), 7);  // the by-reference user id comes back
  });
  ComponentRegistry::Instance().Unregister(progid::kBaseList);
  ComponentRegistry::Instance().Unregister(progid::kBaseListClassId);
}

}  // namespace
}  // namespace qmz::testing
