// The batch and aux pickers on the demo suite: their queries run on SQLite, and whole dialogs
// played by the scripted host: row texts, price rights, choices, saved settings, the rights check.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <map>

#include "auxprop/frm_select_aux.h"
#include "batch/frm_stock.h"
#include "batch/show_batch.h"
#include "integration/demo_suite.h"
#include "inventory/aux_query.h"
#include "inventory/batch_query.h"
#include "inventory/batch_tracking.h"
#include "list_services/list_settings.h"
#include "login/user_profile.h"
#include "qmz/components.h"
#include "qmz/suite.h"

namespace qmz::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::UnorderedElementsAre;

const std::vector<std::string> kBatchFields = {"FBatchNo", "stockName", "FQty", "FAmount"};
const std::vector<std::string> kAuxFields = {"AuxName", "stockName", "FQty", "FitemID", "FIndex"};

// The columns a picker's grid hides, as "6,7,".
std::string HiddenColumns(const Ledger& grid) {
  std::string hidden;
  for (int32_t col = 1; col <= grid.Cols(); ++col) {
    if (grid.Column(col).Hidden()) hidden += std::to_string(col) + ",";
  }
  return hidden;
}

class PickerDialogsTest : public DemoSuite {
 protected:
  // Sets `form`'s request, loads it and shows it to a user playing `script`.
  void Play(PickerForm& form, const InventoryRequest& request, const std::string& script = "") {
    form.SetRequest(request);
    PlayLoaded(form, script, messages);
  }
};

TEST_F(PickerDialogsTest, BatchQueriesReturnTheBatchesAUserExpects) {
  auto rows = [](BatchPicker picker, const BatchQueryInput& in,
                 const std::vector<std::string>& fields = kBatchFields) {
    return SortedRows(ComposeBatchListQuery(picker, in), fields);
  };
  const BatchPicker first = BatchPicker::kStock, second = BatchPicker::kSelectBatchNo;
  EXPECT_EQ(rows(first, {.item_id = 1}),
            "A'B|广州仓|7|14,B2601|上海仓|40|100,B2601|北京仓|120|300,B2601|虚拟仓|5|12.5,"
            "B2603|上海仓|12|30");
  // The box ticked and the closing's opening balances run in the dialogs below.
  EXPECT_EQ(rows(first, {.item_id = 1, .filter = "'B", .batch = "'B", .box_text = " A' "}),
            "A'B|广州仓|7|14");
  // Items that are not batch-managed list their rows without a number.
  EXPECT_EQ(rows(first, {.item_id = 3}), "|北京仓|50|25");
  // The second picker ignores Filter.
  EXPECT_EQ(
      rows(
          second,
          {.item_id = 4, .filter = "NONE", .auth_filter = " And  CharIndex('3',b.FRightUserID)>0 "},
          {"FBatchNo", "FUnitName", "FBatchNoIndex"}),
      "N-0001|个|0");
}

TEST_F(PickerDialogsTest, AuxTotalsStandBeforeTheirWarehouseRows) {
  auto rows = [](const AuxQueryInput& in) { return Rows(ComposeAuxListQuery(in), kAuxFields); };
  std::vector<std::string> all = rows({.item_id = 2});
  ASSERT_EQ(all.size(), 8u);
  EXPECT_THAT(std::vector<std::string>(all.begin(), all.begin() + 6),
              ElementsAre("Blue|全部仓库|3|0|0", "Blue|北京仓|3|1|1", "Dark Red|全部仓库|0|0|0",
                          "Dark Red|北京仓|0|1|1", "Green|全部仓库|0|0|0", "Red|全部仓库|15|0|0"));
  EXPECT_THAT(std::vector<std::string>(all.begin() + 6, all.end()),
              UnorderedElementsAre("Red|北京仓|10|1|1", "Red|上海仓|5|2|1"));
  // Ticked: zero totals and zero warehouse rows go; one warehouse; a fragment by name.
  EXPECT_THAT(rows({.item_id = 2, .hide_zero = true, .stock_id = 1, .box_text = " re "}),
              ElementsAre("Red|全部仓库|10|0|0", "Red|北京仓|10|1|1"));
  // The clerk's warehouses.
  EXPECT_THAT(rows({.item_id = 2, .auth_filter = " And  CharIndex('3',b.FRightUserID)>0 "}),
              ElementsAre("Blue|全部仓库|3|0|0", "Blue|北京仓|3|1|1", "Dark Red|全部仓库|0|0|0",
                          "Dark Red|北京仓|0|1|1", "Green|全部仓库|0|0|0", "Red|全部仓库|10|0|0",
                          "Red|北京仓|10|1|1"));
  // Before the closing the opening balances count; the number matches as well as the name.
  EXPECT_THAT(rows({.closed = false, .item_id = 2, .box_text = "DR"}),
              ElementsAre("Dark Red|全部仓库|0|0|0", "Dark Red|北京仓|0|1|1"));
  EXPECT_TRUE(rows({.closed = false, .item_id = 2, .hide_zero = true, .box_text = "DR"}).empty());
}

TEST_F(PickerDialogsTest, BatchRowTextsFollowTheDigitsTheBoxAndTheClosing) {
  Exec("update t_suite_system_profile set FValue='3' where FKey='QuantityDigitCount'");
  SaveUserProfile("BaseList", "ShowZero", "1");
  SaveUserProfile("BaseList", "ColWidth", "600|1600");
  OnNewThread([&] {
    frmStock form;
    Play(form, {1, "", 1, 0, 1030003});
    EXPECT_EQ(form.Find<Label>("lblName").Caption() + form.Find<Label>("lblModel").Caption(),
              "商品名称:螺丝钉规格型号:M3x10");
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
    EXPECT_THAT(ColumnWidths(form.Grid()),
                ElementsAre(600, 1600, 1000, 1000, 1000, 1000, 900, 1100, 1100, 0, 0));
    frmStock no_date;  // B2603 is stored with the date 1900-01-01: no date, as in the list
    Play(no_date, {1, "B2603", 0, 0, 1030003});
    EXPECT_EQ(no_date.Grid().RowTextOf(2), "1|B2603||上海仓|12.000|2.50|30.00|||2|0|");
  });
  // Before the closing the unit price is the amount over the quantity (the query sums the
  // prices of B2601's two opening rows in 北京仓), else, without a quantity, the stored one.
  host.Set("ICClosed", false);
  Exec("update ICInvInitial set FQty=0 where FBatchNo='N-0002'");
  OnNewThread([&] {
    frmStock form;
    Play(form, {1, "", 1, 0, 1030003});
    EXPECT_EQ(form.Grid().RowTextOf(2),
              "1|B2601||北京仓|120.000|2.50|300.00|2026-01-05|2027-01-05|1|0|");
    frmSelectBatchNo second;
    Play(second, {4, "", 0, 0, 1030003});
    EXPECT_EQ(
        second.Grid().DumpGrid(),
        "序号|批号|辅助属性|仓库|数量|单位|单价|金额|生产日期|有效期至|stockID|FBatchNoIndex|\n"
        "1|N-0001||北京仓|1.000|个|1,234.50|1,234.50|||1|0|\n"
        "2|N-0002||上海仓|0.000|个|0|1,234.50|||2|0|\n");
  });
  // A row without quantity has the unit price 0, never the sum of its opening rows' prices.
  Exec("insert into ICInvInitial select * from ICInvInitial where FBatchNo='B2602'");
  AsUser("row 2; click cmdYes", [&](BaseList& list) {
    EXPECT_EQ(Fields(list.ShowBatch(1, "", 1, 0, 1030003), {"FBatchNo", "stockName", "Fprice"}),
              "B2601|北京仓|2.5");
    EXPECT_EQ(Fields(list.GetBatch(1, "B2602", 0, 0, 0), {"FQty", "Fprice"}), "0|0");
    EXPECT_EQ(Fields(list.GetBatch(4, "N-0002", 0, 0, 0), {"FQty", "Fprice"}), "0|0");
  });
  AsUser("row 3; click cmdYes", [&](BaseList& list) {
    SaveUserProfile("BaseList", "ShowZero", "1");
    EXPECT_EQ(
        Fields(list.ShowBatch(1, "", 1, 0, 1030003), {"FBatchNo", "stockName", "FQty", "Fprice"}),
        "B2602|北京仓|0|0");
  });
  EXPECT_EQ(messages.str(), "");
}

TEST_F(PickerDialogsTest, AScannedLabelSelectsItsBatchWhenTheHostAsks) {
  Exec(
      "update t_cc_inventory set FPeriodDate = '2027-06-30' where FBatchNo = 'B2601' and "
      "FStockID = 2");
  const std::string gs = "\x1d";
  const auto scan = [](const std::string& label) {
    return "type txtBatchNo " + label + "; key Enter txtBatchNo";
  };
  auto pick = [&](const std::string& script, int32_t item = 1, const std::string& fragment = "") {
    std::string answer;
    AsUser(script, [&](BaseList& list) {
      answer = Fields(list.ShowBatch(item, fragment, 0, 0, 1030003), {"FBatchNo", "stockName"});
    });
    return answer;
  };
  // Without ScanGS1 a label is typed text: no batch holds it, nothing is chosen.
  EXPECT_EQ(pick(scan("(10)B2601(17)270630") + "; click cmdYes"), "null");
  host.Set("ScanGS1", "on");
  // The row of the label's batch whose expiry matches, in either form; day 00 is the last; the
  // batch compared as the database compares it; the other fields of a real label read past.
  EXPECT_EQ(pick(scan("]C110b2601" + gs + "17270600") + "; click cmdYes"), "B2601|上海仓");
  EXPECT_EQ(pick(scan("]C1310300125010A'B" + gs + "400PO-1" + gs + "99X") + "; click cmdYes"),
            "A'B|广州仓");
  // A batch outside the list as it stands, or outside the host's fragment, is found in the
  // item's stock, read once.
  EXPECT_EQ(pick("type txtBatchNo B2603; click cmdQuery; key Back txtBatchNo; key Back; key Back; "
                 "key Back; key Back; " +
                 scan("(01)09501101530003(10)B2601(17)270105") + "; click cmdYes"),
            "B2601|北京仓");
  sql_sent->clear();
  EXPECT_EQ(pick(scan("(10)A'B") + "; click cmdYes", 1, "B26"), "A'B|广州仓");
  const auto lists = [&] {
    return std::count_if(sql_sent->begin(), sql_sent->end(), [](const std::string& sql) {
      return sql.find(" Group by a.FBatchNo") != std::string::npos;
    });
  };
  EXPECT_EQ(lists(), 2);  // the load, the one read of the item's stock
  // After every scan the box holds it selected: the next scan replaces it, found or refused.
  messages.str("");
  EXPECT_EQ(pick(scan("(10)B2603") + "; " + scan("(10)A'B") + "; click cmdYes"), "A'B|广州仓");
  sql_sent->clear();
  EXPECT_EQ(pick(scan("(10)B2699") + "; " + scan("]C110B2603") + "; click cmdYes"), "B2603|上海仓");
  EXPECT_EQ(lists(), 2);  // the load, the one read of the missing batch
  // Malformed, of another GTIN, not in the stock: the clerk is told, nothing changes.
  EXPECT_EQ(pick(scan("(01)09501101530004(10)B2601") + "; close"), "null");
  EXPECT_EQ(pick(scan("(10)B2601(3106)1") + "; close"), "null");
  host.Set("ItemGTIN", "04006381333931");
  EXPECT_EQ(pick(scan("(01)09501101530003(10)B2601") + "; close"), "null");
  host.Set("ItemGTIN", "");
  EXPECT_EQ(messages.str(),
            "[Vantrel提示] 库存中没有批号 B2699\n"
            "[Vantrel提示] 标签的商品条码(01) 09501101530004 校验位错误\n"
            "[Vantrel提示] 标签的应用标识符 (3106) 未知\n"
            "[Vantrel提示] 标签的商品条码 09501101530003 不是本商品的条码 04006381333931\n");
  // The box after a refused scan: the label, selected.
  OnNewThread([&] {
    frmStock form;
    Play(form, {1, "", 0, 0, 1030003}, scan("(10)B2699"));
    EXPECT_EQ(form.Box().Text(), "(10)B2699");
    EXPECT_EQ(form.Box().SelStart(), 0u);
    EXPECT_EQ(form.Box().SelLength(), form.Box().Text().size());
  });
  // An item tracked by number: the label's serial number.
  EXPECT_EQ(pick(scan("(01)09501101530003(21)N-0002") + "; click cmdYes", 4), "N-0002|上海仓");
  // An expired batch the host hides is named as expired.
  host.Set("DocumentDate", "2027-07-01");
  host.Set("HideExpired", 1);
  messages.str("");
  EXPECT_EQ(pick(scan("(10)B2601") + "; close"), "null");
  EXPECT_EQ(messages.str(),
            "[Vantrel提示] 批号 B2601 已于 2027-06-30 过期（单据日期 2027-07-01），过期的库存不在"
            "列表中\n");
  host.Set("HideExpired", 0);
  host.Set("DocumentDate", "");
  // With ScanConfirm the scan confirms its row.
  host.Set("ScanConfirm", "TRUE");
  EXPECT_EQ(pick(scan("(10)B2603")), "B2603|上海仓");
}

// On 2027-01-10 B2601 (有效期至 2027-01-05) has expired, A'B (2027-03-01) and B2604 (2027-03-15)
// expire within 70 days, B2603 has no expiry. The dates are stored as other programs write them.
TEST_F(PickerDialogsTest, ExpiryMarksHiddenRowsAndFirstExpiryFirstFollowTheDocumentDate) {
  Exec(
      "update t_cc_inventory set FPeriodDate = '2027/1/5' where FBatchNo = 'B2601' and "
      "FStockID = 1; update t_cc_inventory set FPeriodDate = '20270105' where FBatchNo = "
      "'B2601' and FStockID = 2; update t_cc_inventory set FPeriodDate = '2027-03-01 00:00:00' "
      "where FBatchNo = 'A''B'");
  host.Set("ExpiryWarnDays", 70);
  host.Set("DocumentDate", "2027-01-10");
  host.Set("BatchOrder", "FEFO");
  OnNewThread([&] {
    frmStock form;
    Play(form, {1, "", 0, 0, 1030003}, "hover 2 3; hover 5 3; key Down Ledger");
    EXPECT_EQ(form.Grid().ToolTipText(),
              "即将过期：有效期至 2027-03-01，距单据日期 2027-01-10 还有 50 天（提前 70 天提醒）");
    // The rows of one expiry and batch in the order the database grouped them, first-expiry-
    // first whatever form the date was stored in.
    EXPECT_EQ(ColumnTexts(form.Grid(), 4),
              (std::vector<std::string>{"上海仓", "北京仓", "虚拟仓", "广州仓", "上海仓"}));
    EXPECT_EQ(ColumnTexts(form.Grid(), 2),
              (std::vector<std::string>{"B2601", "B2601", "B2601", "A'B", "B2603"}));
    std::vector<int64_t> colors;
    std::vector<std::string> notes;
    for (int32_t row = 2; row <= form.Grid().Rows(); ++row) {
      colors.push_back(form.Grid().RowColorOf(row));
      notes.push_back(form.Grid().RowNoteOf(row));
    }
    EXPECT_EQ(colors, (std::vector<int64_t>{0xCEC7FF, 0xCEC7FF, 0xCEC7FF, 0x82E0FF, -1}));
    EXPECT_EQ(notes, (std::vector<std::string>{"已过期", "已过期", "已过期", "即将过期", ""}));
    // The cursor row's reason is written under the grid.
    EXPECT_EQ(form.Find<Label>("lblReason").Caption(),
              "已过期：有效期至 2027-01-05，早于单据日期 2027-01-10 5 天");
    EXPECT_EQ(sql_sent->at(0).find("order by"), std::string::npos);
  });
  host.Set("ICClosed", false);  // the opening balance's expiry column orders it alike
  OnNewThread([&] {
    frmStock form;
    Play(form, {1, "", 0, 0, 1030003});
    EXPECT_EQ(
        ColumnTexts(form.Grid(), 2),
        (std::vector<std::string>{"B2601", "B2601", "B2601", "B2602", "A'B", "B2604", "B2603"}));
  });
  host.Set("ICClosed", true);
  host.Set("HideExpired", 1);
  OnNewThread([&] {
    frmStock form;
    // The box that shows rows of no quantity does not bring the expired ones back.
    Play(form, {1, "", 0, 0, 1030003}, "click chkShowZero");
    EXPECT_EQ(ColumnTexts(form.Grid(), 2), (std::vector<std::string>{"A'B", "B2604", "B2603"}));
    EXPECT_EQ(form.Find<Label>("lblHiddenExpired").Caption(),
              "已隐藏 3 行已过期的库存（有效期至早于单据日期 2027-01-10）");
    EXPECT_TRUE(form.Find<Label>("lblHiddenExpired").Visible());
  });
  // Nothing hidden, no note; an empty list is no failure.
  host.Set("DocumentDate", "2026-01-01");
  OnNewThread([&] {
    frmStock form;
    Play(form, {1, "", 0, 0, 1030003});
    EXPECT_FALSE(form.Find<Label>("lblHiddenExpired").Visible());
    frmStock empty;
    Play(empty, {99, "", 0, 0, 1030003});
    EXPECT_EQ(empty.Grid().Rows(), 1);
  });
  EXPECT_EQ(messages.str(), "");
}

TEST_F(PickerDialogsTest, ARequiredQuantityIsCoveredFirstExpiryFirstAndFollowsTheClerk) {
  const std::vector<std::string> taken = {"FBatchNo", "stockName", "FQty", "FTakeQty"};
  host.Set("DocumentDate", "2027-01-01");
  auto cover = [&](double quantity, const std::string& script, int32_t item = 1) {
    std::string answer;
    AsUser(script, [&](BaseList& list) {
      list.RequiredQty(quantity);
      answer = Fields(list.ShowBatchForMultiSelBatchNo(item, "", 0, 0, 1030003), taken);
      if (!LastFailure().empty()) answer += " failed: " + LastFailure();
    });
    return answer;
  };
  EXPECT_EQ(cover(150, "click cmdYes"), "B2601|上海仓|40|40,B2601|北京仓|120|110");
  // The clerk adds B2603 (nothing is missing: it takes nothing) and types its quantity, takes
  // 北京仓 out and back (it takes what is missing then), and asks for more than a row holds;
  // 12 over is confirmed when asked.
  EXPECT_EQ(cover(150,
                  "select 3,4,6; type txtTakeQty 50; key Enter txtTakeQty; key Back txtTakeQty; "
                  "key Back; type txtTakeQty 12; key Enter txtTakeQty; select 3,6; select 3,6,4; "
                  "click cmdYes"),
            "B2601|上海仓|40|40,B2603|上海仓|12|12,B2601|北京仓|120|98");
  EXPECT_EQ(messages.str(), "[Vantrel提示] 批号 B2603（上海仓）只有 12，不够取用 50\n");
  // Keys only: Down moves the cursor and keeps the cover, Space adds and removes the cursor
  // row, the take box edits the cursor row; short is asked about, and a no keeps the dialog.
  messages.str("");
  EXPECT_EQ(cover(150,
                  "key Up Ledger; key Space; key Down; key Down; key Down; key Space; "
                  "click cmdYes; answer no; key Up Ledger; key Space; click cmdYes; answer yes"),
            "B2601|北京仓|120|110,B2603|上海仓|12|12,B2601|虚拟仓|5|5");
  // A scan joins the cover, taking what is missing up to its stock, and drops nothing.
  host.Set("ScanGS1", 1);
  EXPECT_EQ(cover(150,
                  "toggle 4; type txtBatchNo (10)B2603; key Enter txtBatchNo; click cmdYes; "
                  "answer yes"),
            "B2601|上海仓|40|40,B2603|上海仓|12|12");
  EXPECT_EQ(messages.str(),
            "[Vantrel提示] 已选 122，比需要的 150 少 28。仍然确定吗？ (no)\n"
            "[Vantrel提示] 已选 127，比需要的 150 少 23。仍然确定吗？ (yes)\n"
            "[Vantrel提示] 已选 52，比需要的 150 少 98。仍然确定吗？ (yes)\n");
  // What the take box refuses, and a take kept as typed.
  messages.str("");
  EXPECT_EQ(cover(150,
                  "row 6; type txtTakeQty nan; key Enter txtTakeQty; type txtTakeQty -1; "
                  "key Enter txtTakeQty; type txtTakeQty 2.5; key Enter txtTakeQty; "
                  "click cmdYes; answer yes"),
            "B2601|上海仓|40|40,B2601|北京仓|120|110,B2603|上海仓|12|2.5");
  EXPECT_EQ(messages.str(),
            "[Vantrel提示] 取用数量“nan”不是数字\n[Vantrel提示] 取用数量不能小于 0\n"
            "[Vantrel提示] 已选 152.5，比需要的 150 多 2.5。仍然确定吗？ (yes)\n");
  // A quantity typed but not entered counts when the clerk confirms, refused as Enter refuses.
  messages.str("");
  EXPECT_EQ(cover(150,
                  "row 6; type txtTakeQty 50; click cmdYes; type txtTakeQty 3; click cmdYes; "
                  "answer yes"),
            "B2601|上海仓|40|40,B2601|北京仓|120|110,B2603|上海仓|12|3");
  EXPECT_EQ(messages.str(),
            "[Vantrel提示] 批号 B2603（上海仓）只有 12，不够取用 50\n"
            "[Vantrel提示] 已选 153，比需要的 150 多 3。仍然确定吗？ (yes)\n");
  // Decimals add up exactly and show as taken.
  Exec("update t_cc_inventory set FQty = 0.1 where FItemID = 1 and FBatchNo = 'B2601'");
  messages.str("");
  EXPECT_EQ(cover(0.3, "click cmdYes"), "B2601|上海仓|0.1|0.1,B2601|北京仓|0.2|0.2");
  OnNewThread([&] {
    ListSettings().RequiredQty = 30;
    frmStock form;
    form.SetMultiSelect(1);
    Play(form, {1, "", 0, 0, 1030003});
    EXPECT_EQ(form.Find<Label>("lblTally").Caption(), "需要 30 / 已选 19.4 / 尚缺 10.6");
    EXPECT_EQ(form.Grid().CellText(3, 12), "0.1");
  });
  // Refused quantities, and an empty list.
  messages.str("");
  EXPECT_EQ(cover(std::numeric_limits<double>::quiet_NaN(), "click cmdYes"),
            "null failed: The required quantity (RequiredQty), nan, is not a number above 0");
  EXPECT_EQ(cover(-5, "click cmdYes"),
            "null failed: The required quantity (RequiredQty), -5, is not a number above 0");
  EXPECT_EQ(cover(10, "click cmdYes", 99), "null");
  // A search that finds nothing empties the cover it no longer shows, and fails nothing.
  EXPECT_EQ(cover(10, "type txtBatchNo ZZZ; key Enter txtBatchNo; click cmdYes"), "null");
  EXPECT_EQ(messages.str(),
            "[script] 1 action was not played\n[script] 1 action was not played\n"
            "[Vantrel提示] 选中的行没有取用任何数量（需要 10）\n"
            "[Vantrel提示] 选中的行没有取用任何数量（需要 10）\n");
}

TEST_F(PickerDialogsTest, ThePickersPreselectionAndAllocateBatchesAgree) {
  const std::vector<std::string> taken = {"FBatchNo", "stockName", "FQty",   "Fprice",
                                          "FAmount",  "FTakeQty",  "FKFDate"};
  // A row with an expiry stored in another form, and a clerk under data authorisation.
  Exec("update t_cc_inventory set FPeriodDate = '2027/3/1' where FBatchNo = 'A''B'");
  struct Scene {
    const char* order;
    const char* hide;
    const char* allow;
    const char* date;
  };
  for (const Scene& scene :
       {Scene{"", "", "", "2027-01-01"}, Scene{"FEFO", "", "", "2027-01-01"},
        Scene{"", "1", "", "2027-01-10"}, Scene{"FEFO", "1", "1", "2027-01-10"},
        Scene{"", "", "1", "2027-01-10"}}) {
    for (const char* user : {"administrator", "clerk"}) {
      LogInAs(user);
      host.Set("BatchOrder", scene.order);
      host.Set("HideExpired", scene.hide);
      host.Set("AllowExpired", scene.allow);
      host.Set("DocumentDate", scene.date);
      host.Set("AppType", 4);  // the dialogs apply data authorisation as the allocation does
      for (double quantity : {150.0, 500.0}) {  // the ties decide 150; 500 takes all
        std::string allocated, missing;
        AsUser("", [&](BaseList& list) {
          const ObjectPtr rows = list.AllocateBatches(1, quantity, 0, 0, 1030003);
          allocated = Fields(rows, taken);
          missing = Fields(rows, {"FMissingQty"});
        });
        // The clerk confirms what was preselected; short, he is asked and says yes; with
        // nothing to take he is told so and closes.
        const std::string script = allocated.empty() ? "click cmdYes; close"
                                   : missing.rfind("0,", 0) == 0 || missing == "0"
                                       ? "click cmdYes"
                                       : "click cmdYes; answer yes";
        std::string picked;
        messages.str("");
        AsUser(script, [&](BaseList& list) {
          list.RequiredQty(quantity);
          picked = Fields(list.ShowBatchForMultiSelBatchNo(1, "", 0, 0, 1030003), taken);
        });
        const std::string scene_name = std::string(scene.order) + "/" + scene.hide + "/" +
                                       scene.allow + "/" + scene.date + " " + user + " " +
                                       std::to_string(quantity);
        if (allocated.empty()) {
          EXPECT_EQ(picked, "null") << scene_name;
          EXPECT_THAT(messages.str(), HasSubstr("选中的行没有取用任何数量")) << scene_name;
        } else {
          EXPECT_EQ(picked, allocated) << scene_name;
        }
      }
    }
  }
  // Under AppType 4 the clerk's allocation keeps to his warehouses; AllocateBatches applies his
  // data authorisation under any application type, as GetBatch does.
  LogInAs("clerk");
  host.Set("DocumentDate", "2027-01-01");
  AsUser("", [&](BaseList& list) {
    EXPECT_EQ(Fields(list.AllocateBatches(1, 500, 0, 0, 1030003), {"stockName", "FTakeQty"}),
              "北京仓|120,虚拟仓|5");
  });
  // The rows are the picker's: texts, with the price, amount and quantities as numbers.
  AsUser("", [&](BaseList& list) {
    auto rows = std::dynamic_pointer_cast<Vector>(list.AllocateBatches(1, 10, 0, 0, 1030003));
    ASSERT_TRUE(rows);
    auto row = std::dynamic_pointer_cast<Dictionary>(rows->Item(1));
    EXPECT_EQ(row->Get("Fprice"), Variant(2.5));
    EXPECT_EQ(row->Get("FAmount"), Variant(300.0));
    EXPECT_EQ(row->Get("FTakeQty"), Variant(10.0));
    EXPECT_EQ(row->Get("FQty"), Variant("120"));
  });
  // Nothing to allocate is an empty answer, a quantity that is none a refusal with its reason.
  AsUser("", [&](BaseList& list) {
    EXPECT_EQ(Fields(list.AllocateBatches(99, 10, 0, 0, 1030003), taken), "");
    EXPECT_EQ(LastFailure(), "");
    for (double refused : {0.0, -5.0, std::numeric_limits<double>::quiet_NaN()}) {
      EXPECT_EQ(list.AllocateBatches(1, refused, 0, 0, 1030003), nullptr);
      EXPECT_THAT(LastFailure(), HasSubstr("is not a number above 0"));
    }
  });
}

TEST_F(PickerDialogsTest, AuxRowTextsAndTheIndustrysCaptions) {
  host.Set("IndustryType", 1);
  OnNewThread([&] {
    frmSelectAux form;
    Play(form, {2, "", 1, 0, 1030003});
    EXPECT_EQ(form.Caption(), "请选择辅助属性");
    EXPECT_EQ(form.Grid().DumpGrid(),
              "序号|辅助属性|仓库|理论重量|单价|金额|stockID|\n"
              "1|Blue|全部仓库|3|30.00|90.00|0|\n"
              "2|Blue|北京仓|3|30.00|90.00|1|\n"
              "3|Dark Red|全部仓库|0|0|0.00|0|\n"
              "4|Dark Red|北京仓|0|0|0.00|1|\n"
              "5|Green|全部仓库|0|0|0.00|0|\n"
              "6|Red|全部仓库|10|30.00|300.00|0|\n"
              "7|Red|北京仓|10|30.00|300.00|1|\n");
    EXPECT_EQ(HiddenColumns(form.Grid()), "7,");  // the administrator sees prices
  });
}

TEST_F(PickerDialogsTest, PriceColumnsFollowTheRightOfTheClassType) {
  Exec("delete from t_suite_right where FObjectType=15 and FObjectID=900");
  LogInAs("clerk");
  OnNewThread([&] {
    auto hidden = [](PickerForm&& form, const InventoryRequest& request) {
      form.SetRequest(request);
      form.RunLoad();
      return HiddenColumns(form.Grid());
    };
    // The first picker asks for code 900, refused; the second for 2020, granted.
    EXPECT_EQ(hidden(frmStock(), {1, "", 0, 0, 1030003}), "6,7,10,11,");
    EXPECT_EQ(hidden(frmSelectBatchNo(), {4, "", 0, 0, 1030003}), "11,12,");
    LogIn("guest");
    EXPECT_EQ(hidden(frmSelectBatchNo(), {4, "", 0, 0, 1030003}), "7,8,11,12,");
    LogIn("administrator");  // a class type without a code: no prices, whoever asks
    EXPECT_EQ(hidden(frmStock(), {1, "", 0, 0, 1050001}), "6,7,10,11,");
  });
}

TEST_F(PickerDialogsTest, ShowBatchReturnsTheChosenRow) {
  LogInAs("clerk");
  host.Set("AppType", 4);  // warehouse authorisation applies to the clerk
  // Enter in the grid confirms the row, in the first picker as in the others.
  AsUser("type txtBatchNo 2601; click cmdQuery; row 2; key Enter Ledger", [&](BaseList& list) {
    // The unit price is recomputed from amount and quantity.
    EXPECT_EQ(Fields(list.ShowBatch(1, "", 0, 0, 1030003),
                     {"FBatchNo", "stockName", "FQty", "Fprice", "FAmount"}),
              "B2601|北京仓|120|2.5|300");
  });
  // 上海仓 is not the clerk's: the list held 北京仓 and 虚拟仓 only (the item header query
  // follows the list query).
  EXPECT_EQ(SortedRows(sql_sent->at(sql_sent->size() - 2), kBatchFields),
            "B2601|北京仓|120|300,B2601|虚拟仓|5|12.5");
  EXPECT_EQ(messages.str(), "");
}

TEST_F(PickerDialogsTest, TrackedItemsOpenTheSecondPicker) {
  AsUser("select 2,3; key Enter Ledger", [&](BaseList& list) {
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

TEST_F(PickerDialogsTest, ChosenRowsComeBackInTheOrderChosen) {
  OnNewThread([&] {
    frmStock form;
    form.SetMultiSelect(1);
    Play(form, {1, "", 0, 0, 1030003}, "select 4,2,3; click cmdYes");
    ASSERT_TRUE(form.OK);
    EXPECT_EQ(Fields(form.RtnVect(), {"FBatchNo", "stockName", "FQty"}),
              "B2601|北京仓|120,A'B|广州仓|7,B2601|上海仓|40");
    EXPECT_EQ(form.RtnDict(), form.RtnVect()->Item(3));
    // Price and amount come from the grid as numbers; the rest as texts.
    EXPECT_EQ(form.RtnDict()->Get("Fprice"), Variant(2.5));
    EXPECT_EQ(form.RtnDict()->Get("FAmount"), Variant(100.0));
    EXPECT_EQ(form.RtnDict()->Get("FQty"), Variant("40"));

    frmStock none;
    Play(none, {1, "ZZ", 0, 0, 1030003}, "click cmdYes");
    EXPECT_FALSE(none.OK);
    EXPECT_EQ(none.RtnVect(), nullptr);
    EXPECT_EQ(none.Grid().Rows(), 1);
  });
}

// Counts the saved values asked for, by key.
class CountingProfileInfo : public ClassUserProfileInfo {
 public:
  CountingProfileInfo(const ComponentPtr& inner, std::map<std::string, int>* asked)
      : inner_(std::dynamic_pointer_cast<ClassUserProfileInfo>(inner)), asked_(asked) {}
  Variant GetUserProfile(const std::string& props, const std::string& section,
                         const std::string& key) override {
    ++(*asked_)[key];
    return inner_->GetUserProfile(props, section, key);
  }

 private:
  std::shared_ptr<ClassUserProfileInfo> inner_;
  std::map<std::string, int>* asked_;
};

// The batch pickers share one width record by column: frmSelectBatchNo's unit column keeps a
// slot of its own. Opened and closed in turn they leave it as it was; a width one picker's user
// chose shows in the other; a remembered width narrower than designed shows designed unless a
// user chose it.
TEST_F(PickerDialogsTest, ThePickersShareTheirWidthsByColumnAndOpeningThemChangesNothing) {
  const std::string cut = "500|1500|1000|1000|1000|500|500|500|1000|0|0";
  SaveUserProfile("BaseList", "ColWidth", cut);
  std::map<std::string, int> asked;
  auto& registry = ComponentRegistry::Instance();
  registry.Register(progid::kUserProfileInfo,
                    [inner = registry.Factory(progid::kUserProfileInfo), &asked]() -> ComponentPtr {
                      return std::make_shared<CountingProfileInfo>(inner(), &asked);
                    });
  // Opens a picker, lets `user` change widths, closes it; answers the widths it showed.
  auto open = [&](PickerForm& form, int32_t item, const std::function<void(Ledger&)>& user) {
    std::vector<float> shown;
    OnNewThread([&] {
      Play(form, {item, "", 0, 0, 1030003});
      shown = ColumnWidths(form.Grid());
      if (user) user(form.Grid());
      form.RunUnload();
    });
    return shown;
  };
  for (int round = 0; round < 5; ++round) {
    frmSelectBatchNo second;
    EXPECT_THAT(open(second, 4, nullptr),
                ElementsAre(500, 1500, 1000, 1000, 1000, 500, 1000, 900, 1100, 1100, 0, 0));
    frmStock first;
    EXPECT_THAT(open(first, 1, nullptr),
                ElementsAre(500, 1500, 1000, 1000, 1000, 1000, 900, 1100, 1100, 0, 0));
    frmSelectAux aux;
    open(aux, 2, nullptr);
  }
  EXPECT_EQ(asked["ColWidth"], 15);  // once as each picker opened, never as it closed
  EXPECT_EQ(GetUserProfile("BaseList", "ColWidth"), cut);

  frmSelectBatchNo second;  // the user widens 单价 and the unit column
  open(second, 4, [](Ledger& grid) {
    grid.Column(6).SetWidth(700);
    grid.Column(7).SetWidth(1300);
  });
  EXPECT_EQ(GetUserProfile("BaseList", "ColWidth"),
            "500|1500|1000|1000|1000|700|1300|900|1100|1100|0|0");
  frmStock first;  // 单价 as chosen; the user narrows 金额
  EXPECT_THAT(open(first, 1, [](Ledger& grid) { grid.Column(7).SetWidth(600); }),
              ElementsAre(500, 1500, 1000, 1000, 1000, 1300, 900, 1100, 1100, 0, 0));
  frmSelectBatchNo again;
  EXPECT_THAT(open(again, 4, nullptr),
              ElementsAre(500, 1500, 1000, 1000, 1000, 700, 1300, 600, 1100, 1100, 0, 0));
  EXPECT_EQ(GetUserProfile("BaseList", "ColWidth"),
            "500|1500|1000|1000|1000|700|1300|600|1100|1100|0|0");
  EXPECT_EQ(messages.str(), "");
}

TEST_F(PickerDialogsTest, TheAuxPickersEnterSavesTheBoxADoubleClickDoesNot) {
  auto choose = [&](const std::string& script, int32_t item, int32_t stock) {
    std::string row;
    AsUser(script, [&](BaseList& list) {
      row = Fields(list.ShowAux(item, "", stock, 0, 1030003),
                   {"AuxName", "stockName", "FQty", "FitemID", "FIndex", "Fprice", "FAmount"});
    });
    return row;
  };
  EXPECT_EQ(choose("row 2; key Enter Ledger", 2, 0), "Blue|全部仓库|3|0|0|30|90");
  EXPECT_EQ(GetUserProfile("BaseList", "AuxShowZero"), "0");
  // Ticked, the box hides the totals of nothing; a row without a property is its warehouse's.
  EXPECT_EQ(choose("click chkShowZero; dblclick 2", 1, 2), "|上海仓|52|2|1|2.5|130");
  EXPECT_EQ(GetUserProfile("BaseList", "AuxShowZero"), "0");
  EXPECT_EQ(GetUserProfile("BaseList", "ColWidth"), "");  // no width changed: none saved
  EXPECT_EQ(messages.str(), "");
}

TEST_F(PickerDialogsTest, TheBaseDataRightIsAskedBeforeTheAuxPickerOpens) {
  Exec("delete from t_suite_right where FObjectType=40");  // the clerk keeps his price rights
  LogInAs("clerk");
  EXPECT_EQ(
      AsUser("row 2; click cmdYes",
             [](BaseList& list) { EXPECT_EQ(list.ShowAuxForMultiSel(2, "", 0, 0, 0), nullptr); }),
      2u);  // no dialog was shown
  EXPECT_TRUE(sql_sent->empty());
  EXPECT_EQ(messages.str(),
            "[] 对不起，您没有相应的基础资料查询权限！！\n[script] 2 actions were not played\n");
  LogInAs("administrator");
  OnNewThread([&] {
    BaseList list;
    EXPECT_EQ(list.ShowAux(-1, "", 0, 0, 0), nullptr);  // after the check, no dialog
    EXPECT_EQ(list.ShowAux(2, "", 0, 0, 0), nullptr);   // no modal host: quietly nothing
    ComponentRegistry::Instance().Unregister(progid::kSecurityInfo);
    EXPECT_THROW(list.ShowAux(2, "", 0, 0, 0), Error);  // the check's failure reaches the host
  });
}

TEST_F(PickerDialogsTest, StoppingALongListsReadEndsItsQueryAndLeavesThePickerAsItWas) {
  AddInventoryRows(100000);  // item 1's list takes a while to read
  // The first list stopped: no choice, no failure.
  AsUser("cancel 100", [&](BaseList& list) {
    EXPECT_EQ(list.ShowBatch(1, "", 0, 0, 1030003), nullptr);
    EXPECT_EQ(LastFailure(), "");
  });
  EXPECT_EQ(messages.str(), "[script] the read was cancelled after 100 ms\n");
  EXPECT_EQ(StatementsRunningOnTheServer(), 0);
  // The check box's list stopped: the box and the list as they were, and the row chosen from it.
  messages.str("");
  AsUser("row 5; cancel 100; click chkShowZero; click cmdYes", [&](BaseList& list) {
    EXPECT_EQ(Fields(list.ShowBatch(1, "", 0, 0, 1030003), kBatchFields), "B2601|虚拟仓|5|12.5");
    EXPECT_EQ(GetUserProfile("BaseList", "ShowZero"), "0");
  });
  EXPECT_EQ(messages.str(), "[script] the read was cancelled after 100 ms\n");
  EXPECT_EQ(StatementsRunningOnTheServer(), 0);
}

}  // namespace
}  // namespace qmz::testing
