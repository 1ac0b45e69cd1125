// The batch pickers on the demo suite: their queries run on SQLite, and whole dialogs played
// by the scripted host: row texts, price rights, choices and saved settings.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "batch/batch_query.h"
#include "batch/frm_stock.h"
#include "batch/show_batch.h"
#include "integration/demo_suite.h"
#include "login/user_profile.h"
#include "platform/ui/scripted_host.h"
#include "qmz/baselist.h"
#include "qmz/components.h"
#include "qmz/suite.h"

namespace qmz::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

const std::vector<std::string> kFields = {"FBatchNo", "stockName", "FQty", "FAmount"};

BatchQueryInput Item(int32_t item, bool closed = true) {
  BatchQueryInput in;
  in.item_id = item;
  in.closed = closed;
  return in;
}

using BatchPickerDialogTest = DemoSuite;

TEST_F(BatchPickerDialogTest, QueriesReturnTheBatchesAUserExpects) {
  auto rows = [](BatchPicker picker, const BatchQueryInput& in,
                 const std::vector<std::string>& fields = kFields) {
    return SortedRows(ComposeBatchListQuery(picker, in), fields);
  };
  BatchQueryInput in = Item(1);
  EXPECT_EQ(rows(BatchPicker::kStock, in),
            "A'B|广州仓|7|14,B2601|上海仓|40|100,B2601|北京仓|120|300,B2601|虚拟仓|5|12.5,"
            "B2603|上海仓|12|30");
  in.show_zero = true;  // also quantity zero with an amount
  in.class_type = 1020004;
  EXPECT_EQ(rows(BatchPicker::kStock, in),
            "A'B|广州仓|7|14,B2601|上海仓|40|100,B2601|北京仓|120|300,B2603|上海仓|12|30,"
            "B2604|北京仓|0|8");
  in.filter = in.batch = "'B";
  in.box_text = " A' ";
  EXPECT_EQ(rows(BatchPicker::kStock, in), "A'B|广州仓|7|14");
  // Before the closing: opening balances, zero rows included, prices summed as stored.
  BatchQueryInput open = Item(1, false);
  open.stock_id = 1;
  open.box_text = "B260";
  EXPECT_EQ(rows(BatchPicker::kStock, open, {"FBatchNo", "FQty", "Fprice", "FPeriodDate"}),
            "B2601|120|5|2027-01-05,B2602|0|2.6|2027-02-10,B2604|0|0|2027-03-15");
  // Items that are not batch-managed list their rows without a number.
  EXPECT_EQ(rows(BatchPicker::kStock, Item(3)), "|北京仓|50|25");

  BatchQueryInput tracked = Item(4);
  tracked.filter = "NONE";  // the second picker ignores Filter
  tracked.auth_filter = " And  CharIndex('3',b.FRightUserID)>0 ";
  EXPECT_EQ(rows(BatchPicker::kSelectBatchNo, tracked, {"FBatchNo", "FUnitName", "FBatchNoIndex"}),
            "N-0001|个|0");
  tracked.closed = false;
  tracked.auth_filter.clear();
  tracked.box_text = "0002";
  EXPECT_EQ(rows(BatchPicker::kSelectBatchNo, tracked, {"FBatchNo", "stockName", "Fprice"}),
            "N-0002|上海仓|1234.5");
}

TEST_F(BatchPickerDialogTest, ShowBatchReturnsTheChosenRow) {
  std::ostringstream messages;
  LogInAs("clerk");
  host.Set("AppType", 4);  // warehouse authorisation applies to the clerk
  OnNewThread([&] {
    // Enter in the grid does not confirm the first picker: every action is played.
    ScriptedHost user("type txtBatchNo 2601; click cmdQuery; row 2; key Enter Ledger; click cmdYes",
                      messages);
    ModalHostScope scope(user);
    // The unit price is recomputed from amount and quantity.
    EXPECT_EQ(Fields(BaseList().ShowBatch(1, "", 0, 0, 1030003),
                     {"FBatchNo", "stockName", "FQty", "Fprice", "FAmount"}),
              "B2601|北京仓|120|2.5|300");
    // 上海仓 is not the clerk's: the list held 北京仓 and 虚拟仓 only (the item header query
    // follows the list query).
    EXPECT_EQ(SortedRows(sql_sent->at(sql_sent->size() - 2), kFields),
              "B2601|北京仓|120|300,B2601|虚拟仓|5|12.5");
  });
  EXPECT_EQ(messages.str(), "");
}

TEST_F(BatchPickerDialogTest, TrackedItemsOpenTheSecondPicker) {
  std::ostringstream messages;
  OnNewThread([&] {
    ScriptedHost user("select 2,3; key Enter Ledger", messages);
    ModalHostScope scope(user);
    BaseList list;
    EXPECT_EQ(Fields(list.ShowBatchForMultiSelBatchNo(4, "N-000", 0, 0, 1040007),
                     {"FBatchNo", "FBatchNoIndex", "Fprice"}),
              "N-0001|0|1234.5,N-0002|0|1234.5");
    EXPECT_THAT(sql_sent->at(0), ::testing::StartsWith("Select a.FBatchNo"));  // the second's
    EXPECT_THAT(sql_sent->at(0), HasSubstr(" and a.FBatchNo like '%N-000%'"));
    sql_sent->clear();
    EXPECT_EQ(list.ShowBatch(0, "B", 0, 0, 0), nullptr);
    EXPECT_TRUE(sql_sent->empty());
    ComponentRegistry::Instance().Unregister(progid::kItemInfo);
    EXPECT_FALSE(IsBatchNoTracked(4));  // no item component: the first picker
  });
}

// The columns a picker's grid hides, as "6,7,".
std::string HiddenColumns(const Ledger& grid) {
  std::string hidden;
  for (int32_t col = 1; col <= grid.Cols(); ++col) {
    if (grid.Column(col).Hidden()) hidden += std::to_string(col) + ",";
  }
  return hidden;
}

TEST_F(BatchPickerDialogTest, RowTextsFollowTheDigitsTheBoxAndTheClosing) {
  Exec("update t_suite_system_profile set FValue='3' where FKey='QuantityDigitCount'");
  SaveUserProfile("BaseList", "ShowZero", "1");
  SaveUserProfile("BaseList", "ColWidth", "600|1600");
  std::ostringstream messages;
  OnNewThread([&] {
    frmStock form;
    form.SetRequest({1, "", 1, 0, 1030003});
    PlayLoaded(form, "", messages);
    EXPECT_EQ(form.Caption(), "请选择批号");
    EXPECT_EQ(form.Find<Label>("lblName").Caption(), "商品名称:螺丝钉");
    EXPECT_EQ(form.Find<Label>("lblModel").Caption(), "规格型号:M3x10");
    // Unit prices are recomputed from amount and quantity, except where the quantity is zero.
    EXPECT_EQ(form.Grid().DumpGrid(),
              "序号|批号|辅助属性|仓库|数量|单价|金额|生产日期|有效期至|stockID|FBatchNoIndex|\n"
              "1|B2601||北京仓|120.000|2.50|300.00|2026-01-05|2027-01-05|1|0|\n"
              "2|B2604||北京仓|0.000|0.00|8.00|2026-03-15|2027-03-15|1|0|\n");
    EXPECT_EQ(form.Grid().Column(5).Alignment(), kAlignRight);
    // The remembered box ran the query a second time, with the rows of zero quantity that
    // still hold an amount.
    ASSERT_EQ(sql_sent->size(), 3u);
    EXPECT_THAT(sql_sent->at(0), HasSubstr(" and a.FQty<>0 "));
    EXPECT_THAT(sql_sent->at(2), HasSubstr(" and (a.FQty<>0 or a.FBal<>0) "));
    EXPECT_EQ(form.ShowZeroBox().Value(), 1);
    EXPECT_THAT(ColumnWidths(form.Grid()),
                ElementsAre(600, 1600, 1000, 1000, 1000, 1000, 900, 1100, 1100, 0, 0));
  });
  // Before the closing the delivered prices stay; the second picker never divides by zero.
  host.Set("ICClosed", false);
  Exec("update ICInvInitial set FQty=0 where FBatchNo='N-0002'");
  OnNewThread([&] {
    frmStock form;
    form.SetRequest({1, "", 1, 0, 1030003});
    PlayLoaded(form, "", messages);
    EXPECT_EQ(form.Grid().RowTextOf(2),
              "1|B2601||北京仓|120.000|5.00|300.00|2026-01-05|2027-01-05|1|0|");
    frmSelectBatchNo second;
    second.SetRequest({4, "", 0, 0, 1030003});
    PlayLoaded(second, "", messages);
    EXPECT_EQ(
        second.Grid().DumpGrid(),
        "序号|批号|辅助属性|仓库|数量|单位|单价|金额|生产日期|有效期至|stockID|FBatchNoIndex|\n"
        "1|N-0001||北京仓|1.000|个|1,234.50|1,234.50|||1|0|\n"
        "2|N-0002||上海仓|0.000|个|0|1,234.50|||2|0|\n");
  });
  EXPECT_EQ(messages.str(), "");
}

TEST_F(BatchPickerDialogTest, PriceColumnsFollowTheRightOfTheClassType) {
  Exec("delete from t_suite_right where FObjectType=15 and FObjectID=900");
  LogInAs("clerk");
  OnNewThread([&] {
    frmStock stock;  // asks for code 900: refused
    stock.SetRequest({1, "", 0, 0, 1030003});
    stock.RunLoad();
    EXPECT_EQ(HiddenColumns(stock.Grid()), "6,7,10,11,");
    frmSelectBatchNo second;  // asks for code 2020: granted
    second.SetRequest({4, "", 0, 0, 1030003});
    second.RunLoad();
    EXPECT_EQ(HiddenColumns(second.Grid()), "11,12,");
    LogIn("guest");
    frmSelectBatchNo refused;
    refused.SetRequest({4, "", 0, 0, 1030003});
    refused.RunLoad();
    EXPECT_EQ(HiddenColumns(refused.Grid()), "7,8,11,12,");
    LogIn("administrator");
    frmStock outside;  // a class type without a code: no prices, whoever asks
    outside.SetRequest({1, "", 0, 0, 1050001});
    outside.RunLoad();
    EXPECT_EQ(HiddenColumns(outside.Grid()), "6,7,10,11,");
  });
}

TEST_F(BatchPickerDialogTest, ChosenRowsComeBackInTheOrderChosen) {
  std::ostringstream messages;
  OnNewThread([&] {
    frmStock form;
    form.SetRequest({1, "", 0, 0, 1030003});
    form.SetMultiSelect(1);
    PlayLoaded(form, "select 4,2,3; click cmdYes", messages);
    ASSERT_TRUE(form.OK);
    EXPECT_EQ(Fields(form.RtnVect(), {"FBatchNo", "stockName", "FQty"}),
              "B2601|北京仓|120,A'B|广州仓|7,B2601|上海仓|40");
    EXPECT_EQ(form.RtnDict(), form.RtnVect()->Item(3));
    // Price and amount come from the grid as numbers; the rest as texts.
    EXPECT_EQ(form.RtnDict()->Get("Fprice"), Variant(2.5));
    EXPECT_EQ(form.RtnDict()->Get("FAmount"), Variant(100.0));
    EXPECT_EQ(form.RtnDict()->Get("FQty"), Variant("40"));
    EXPECT_EQ(GetUserProfile("BaseList", "ShowZero"), "0");
    form.RunUnload();
    EXPECT_EQ(GetUserProfile("BaseList", "ColWidth"),
              "500|1500|1000|1000|1000|1000|900|1100|1100|0|0");

    frmStock none;
    none.SetRequest({1, "ZZ", 0, 0, 1030003});
    PlayLoaded(none, "click cmdYes", messages);
    EXPECT_FALSE(none.OK);
    EXPECT_EQ(none.RtnVect(), nullptr);
    EXPECT_EQ(none.Grid().Rows(), 1);
  });
}

TEST_F(BatchPickerDialogTest, TheSecondPickerMapsTheFirstOnesWidths) {
  SaveUserProfile("BaseList", "ColWidth", "1|2|3|4|5|6|7|8|9|10|11");
  std::ostringstream messages;
  OnNewThread([&] {
    frmSelectBatchNo form;
    form.SetRequest({4, "", 0, 0, 0});
    form.Batch = "N-";
    PlayLoaded(form, "", messages);
    EXPECT_THAT(ColumnWidths(form.Grid()), ElementsAre(1, 2, 3, 4, 5, 500, 6, 7, 8, 9, 10, 11));
    EXPECT_EQ(form.Box().Text(), "N-");
    form.RunUnload();
    frmSelectBatchNo next;  // the twelve parts just saved map one to one
    next.SetRequest({4, "", 0, 0, 0});
    PlayLoaded(next, "", messages);
    EXPECT_EQ(next.Grid().Column(6).Width(), 500);
    EXPECT_EQ(next.Grid().Column(12).Width(), 11);
  });
}

}  // namespace
}  // namespace qmz::testing
