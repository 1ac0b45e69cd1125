// GetBatch and GetAux end to end: the exact batches the library sends, run on the demo suite.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "component/inventory_sql.h"
#include "integration/demo_suite.h"
#include "list_services/list_settings.h"
#include "qmz/baselist.h"
#include "qmz/components.h"
#include "qmz/error.h"
#include "qmz/recordset.h"

namespace qmz::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;

const std::vector<std::string> kBatchFields = {"FBatchNo", "stockName", "FQty",        "Fprice",
                                               "FAmount",  "FKFDate",   "FPeriodDate", "FUnitName"};
const std::vector<std::string> kAuxFields = {"AuxName", "stockName", "FQty", "AuxPropID", "FIndex"};

using InventoryLookupTest = DemoSuite;

TEST_F(InventoryLookupTest, GetBatchSendsItsConditionsAndAnswersTheFirstRow) {
  struct Case {
    bool closed;
    const char* batch;
    int32_t stock, aux, class_type;
    std::string sql;     // the batch the lookup sends
    std::string rows;    // stockName|FQty of the rows the database returns, sorted
    std::string answer;  // kBatchFields of the row returned
  };
  const Case cases[] = {
      {true, "B2601", 0, 0, 0, testing::StockListSql(true, "a.FitemID = 1 and a.FBatchNo='B2601'"),
       "上海仓|40,北京仓|120,虚拟仓|5", ""},
      // Virtual warehouses are left out for the two class types; a stock id narrows to one.
      {true, "B2601", 0, 0, 1080001,
       testing::StockListSql(true, "a.FitemID = 1 and  b.FTypeID <> 502  and a.FBatchNo='B2601'"),
       "上海仓|40,北京仓|120", ""},
      {true, "B2601", 2, 0, 1020004,
       testing::StockListSql(
           true, "a.FitemID = 1 and  b.FTypeID <> 502  and a.FBatchNo='B2601' and a.FStockID=2"),
       "上海仓|40", "B2601|上海仓|40|0|100|2026-01-05|2027-01-05|个"},
      // Quotes are doubled and still find the batch.
      {true, "A'B", 0, 0, 0, testing::StockListSql(true, "a.FitemID = 1 and a.FBatchNo='A''B'"),
       "广州仓|7", "A'B|广州仓|7|0|14|2026-03-01|2027-03-01|个"},
      // A batch the item does not have: every key, each empty.
      {true, "B2699", 0, 7, 0,
       testing::StockListSql(true, "a.FitemID = 1 and a.FBatchNo='B2699' and a.FAuxPropID=7"), "",
       "|||||||"},
      // Before the closing: two opening rows in warehouse 1, summed as sent; the answer's unit
      // price is the amount over the quantity, not the sum of the two unit prices (5).
      {false, "B2601", 1, 0, 0,
       testing::StockListSql(false, "a.FitemID = 1 and a.FBatchNo='B2601' and a.FStockID=1"),
       "北京仓|120", "B2601|北京仓|120|2.5|300|2026-01-05|2027-01-05|个"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.batch);
    host.Set("ICClosed", c.closed);
    OnNewThread([&] {
      ObjectPtr result = BaseList().GetBatch(1, c.batch, c.stock, c.aux, c.class_type);
      EXPECT_EQ(sql_sent->back(), c.sql);
      EXPECT_EQ(SortedRows(sql_sent->back(), {"stockName", "FQty"}), c.rows);
      // The lookup answers the first row the database returns.
      std::vector<std::string> rows = Rows(sql_sent->back(), kBatchFields);
      EXPECT_EQ(Fields(result, kBatchFields), c.answer.empty() ? rows.front() : c.answer);
    });
  }
  EXPECT_EQ(sql_sent->size(), std::size(cases));
  OnNewThread([&] {
    ObjectPtr result = BaseList().GetBatch(1, "A'B", 0, 0, 0);
    EXPECT_EQ(Fields(result, {"FISKFPeriod", "AuxName", "StockNumber"}), "1||04");
  });
}

TEST_F(InventoryLookupTest, GetBatchReadsAScannedLabelWhenTheHostAsks) {
  // B2601 expires later in 上海仓 than in the other warehouses, stored as another program wrote
  // it: the label's expiry still picks that row.
  Exec(
      "update t_cc_inventory set FPeriodDate = '2027/6/30' where FBatchNo = 'B2601' and "
      "FStockID = 2");
  const std::string gs = "\x1d";
  auto lookup = [&](const std::string& text, int32_t item = 1) {
    std::string answer;
    OnNewThread([&] {
      answer = Fields(BaseList().GetBatch(item, text, 0, 0, 0), {"FBatchNo", "stockName"});
      if (!LastFailure().empty()) answer += " failed: " + LastFailure();
    });
    return answer;
  };
  const std::string plain = lookup("B2601");
  // Without ScanGS1 a label is a batch number as typed: none has that number.
  EXPECT_EQ(lookup("(01)09501101530003(10)B2601"), "|");
  host.Set("ScanGS1", "yes");
  const std::pair<std::string, std::string> cases[] = {
      {"B2601", plain},  // typed text as before
      {"]C1010950110153000310B2601", plain},
      {"]d2" + gs + "10B2601" + gs + "17270600", "B2601|上海仓"},  // day 00: the month's last
      {"(01)09501101530003(10)B2601(17)270630", "B2601|上海仓"},
      {"(10)b2601(17)270630", "B2601|上海仓"},  // the batch compared as the database compares
      {"010950110153000310B2601" + gs + "17270105", "B2601|北京仓"},
      // A real label's other fields (net weight, best before, article, order, internal) are
      // read past.
      {"]C1010950110153000331030012501527010110B2601" + gs + "240ART-7" + gs + "400PO4711" + gs +
           "99INTERNAL",
       plain},
      {"(10)A'B", "A'B|广州仓"},  // GS1 punctuation in a batch, its quote doubled in the SQL
      {"(10)B2699", "|"},         // no such batch: every key, each empty
      {"(10)B2699(17)270630", "|"},
      {"(01)09501101530004(10)B2601", "null failed: 标签的商品条码(01) 09501101530004 校验位错误"},
      {"]Q3(17)270630", "null failed: 标签上没有批号(10)"},
      {"(21)N-0002", "null failed: 标签上没有批号(10)"},  // item 1 is not tracked by number
      {"(10)B2601(9999)X", "null failed: 标签的应用标识符 (9999) 未知"},
  };
  for (const auto& [text, answer] : cases) EXPECT_EQ(lookup(text), answer) << text;
  // An item tracked by number finds the label's serial number, its batch standing aside.
  EXPECT_EQ(lookup("(01)09501101530003(10)LOT-9(21)N-0002", 4), "N-0002|上海仓");
  EXPECT_EQ(lookup("(10)N-0001", 4), "N-0001|北京仓");
  // The item's registered GTIN: blank checks nothing, blanks around it aside, and its own fault
  // is named as its own.
  host.Set("ItemGTIN", " ");
  EXPECT_EQ(lookup("(01)09501101530003(10)B2601"), plain);
  host.Set("ItemGTIN", " 4006381333931 ");
  EXPECT_EQ(lookup("(01)09501101530003(10)B2601"),
            "null failed: 标签的商品条码 09501101530003 不是本商品的条码 04006381333931");
  EXPECT_EQ(lookup("(10)B2601"), plain);  // a label without a GTIN is not refused
  host.Set("ItemGTIN", "4006381333932");
  EXPECT_EQ(lookup("(01)09501101530003(10)B2601"),
            "null failed: 本商品登记的条码 4006381333932 校验位错误，无法核对标签的商品条码");
  host.Set("ItemGTIN", "");
  // A dated label of a batch the clerk may not see answers the empty row, as without a date.
  LogInAs("clerk");
  EXPECT_EQ(lookup("(10)B2603(17)270630"), "|");
  EXPECT_EQ(lookup("(10)B2603"), "|");
  host.Set("ScanGS1", "maybe");
  EXPECT_EQ(
      lookup("(10)B2603"),
      "null failed: The host's ScanGS1 maybe is not a flag (1/0, true/false, yes/no, on/off)");
}

TEST_F(InventoryLookupTest, DataAuthorisationKeepsOutWarehousesOfOtherUsers) {
  LogInAs("clerk");
  OnNewThread([&] {
    BaseList list;
    list.GetBatch(1, "B2601", 0, 0, 1020004);
    EXPECT_EQ(sql_sent->back(),
              testing::StockListSql(true,
                                    "a.FitemID = 1 and  b.FTypeID <> 502  And  "
                                    "CharIndex('3',b.FRightUserID)>0  and a.FBatchNo='B2601'"));
    EXPECT_EQ(*props_sent, "UserName=clerk;UserID=3;AcctName={演示账套};Language=chs");
    // 上海仓 lists users 1 and 12 only; 虚拟仓 is virtual.
    EXPECT_THAT(Rows(sql_sent->back(), {"stockName", "FQty"}), ElementsAre("北京仓|120"));

    list.GetAux(2, "Red", 0, 0, 1020004);
    EXPECT_EQ(sql_sent->back(),
              testing::AuxLookupSql(true,
                                    "2 and  b.FTypeID <> 502  And  "
                                    "CharIndex('3',b.FRightUserID)>0  and c.Fname like '%Red%'",
                                    "c.Fname like '%Red%'"));
    EXPECT_THAT(Rows(sql_sent->back(), kAuxFields),
                UnorderedElementsAre("Dark Red|全部仓库|0|4|0", "Dark Red|北京仓|0|4|1",
                                     "Red|全部仓库|10|1|0", "Red|北京仓|10|1|1"));
  });
}

TEST_F(InventoryLookupTest, GetAuxAnswersTheFirstMatchingPropertysTotal) {
  OnNewThread([&] {
    BaseList list;
    ObjectPtr result = list.GetAux(2, "Red", 0, 0, 0);
    EXPECT_EQ(sql_sent->back(),
              testing::AuxLookupSql(true, "2 and c.Fname like '%Red%'", "c.Fname like '%Red%'"));
    std::vector<std::string> rows = Rows(sql_sent->back(), kAuxFields);
    // Totals first within each property; properties not matching the text never show.
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_THAT(
        std::vector<std::string>(rows.begin(), rows.begin() + 3),
        ElementsAre("Dark Red|全部仓库|0|4|0", "Dark Red|北京仓|0|4|1", "Red|全部仓库|15|1|0"));
    EXPECT_THAT(std::vector<std::string>(rows.begin() + 3, rows.end()),
                UnorderedElementsAre("Red|北京仓|10|1|1", "Red|上海仓|5|1|1"));
    EXPECT_EQ(Fields(result, kAuxFields), rows[0]);
    EXPECT_EQ(Fields(result, {"AuxNumber"}), "DR");
    EXPECT_EQ(Fields(list.GetAux(2, "Blue", 0, 0, 0), kAuxFields), "Blue|全部仓库|3|2|0");

    // Not closed: the unit price is the amount over the quantity.
    host.Set("ICClosed", false);
    EXPECT_EQ(Fields(list.GetAux(2, "Blue", 0, 0, 0), {"FQty", "Fprice", "FAmount"}), "3|30|90");
    // Not closed, one warehouse, one property id: the opening balances of that cell only.
    list.GetAux(2, "Red", 2, 1, 0);
    EXPECT_EQ(sql_sent->back(),
              testing::AuxLookupSql(false,
                                    "2 and c.Fname like '%Red%' and a.FStockID=2 and "
                                    "a.FAuxPropID=1",
                                    "c.Fname like '%Red%'"));
    EXPECT_THAT(Rows(sql_sent->back(), kAuxFields),
                ElementsAre("Dark Red|全部仓库|0|4|0", "Red|全部仓库|5|1|0", "Red|上海仓|5|1|1"));

    // A quote in the text is doubled in both conditions; nothing matches.
    result = list.GetAux(2, "O'Neil", 0, 0, 0);
    EXPECT_EQ(sql_sent->back(), testing::AuxLookupSql(false, "2 and c.Fname like '%O''Neil%'",
                                                      "c.Fname like '%O''Neil%'"));
    EXPECT_EQ(Fields(result, kAuxFields), "||||");
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
    EXPECT_EQ(Fields(list->Invoke("GetBatch", args).As<Dictionary>(), {"stockName"}), "广州仓");
    std::vector<Variant> aux = {2, "Blue", 0, 0, 0};  // member 10: GetAux
    EXPECT_EQ(Fields(list->InvokeMember(10, aux).As<Dictionary>(), {"FQty"}), "3");
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
