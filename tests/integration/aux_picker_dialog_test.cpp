// The aux picker on the demo suite: its query on SQLite, whole dialogs, the rights check.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "auxprop/aux_query.h"
#include "auxprop/frm_select_aux.h"
#include "integration/demo_suite.h"
#include "login/user_profile.h"
#include "platform/ui/scripted_host.h"
#include "qmz/baselist.h"
#include "qmz/components.h"
#include "qmz/suite.h"

namespace qmz::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

const std::vector<std::string> kFields = {"AuxName", "stockName", "FQty", "FitemID", "FIndex"};

using AuxPickerDialogTest = DemoSuite;

TEST_F(AuxPickerDialogTest, TotalsStandBeforeTheirWarehouseRows) {
  AuxQueryInput in;
  in.item_id = 2;
  std::vector<std::string> rows = Rows(ComposeAuxListQuery(in), kFields);
  ASSERT_EQ(rows.size(), 8u);
  EXPECT_THAT(std::vector<std::string>(rows.begin(), rows.begin() + 6),
              ElementsAre("Blue|全部仓库|3|0|0", "Blue|北京仓|3|1|1", "Dark Red|全部仓库|0|0|0",
                          "Dark Red|北京仓|0|1|1", "Green|全部仓库|0|0|0", "Red|全部仓库|15|0|0"));
  EXPECT_THAT(std::vector<std::string>(rows.begin() + 6, rows.end()),
              UnorderedElementsAre("Red|北京仓|10|1|1", "Red|上海仓|5|2|1"));

  // Ticked: zero totals and zero warehouse rows go; one warehouse; a fragment by name.
  in.hide_zero = true;
  in.stock_id = 1;
  in.box_text = " re ";
  EXPECT_THAT(Rows(ComposeAuxListQuery(in), kFields),
              ElementsAre("Red|全部仓库|10|0|0", "Red|北京仓|10|1|1"));
  in.box_text = "";
  in.hide_zero = false;
  in.stock_id = 0;
  in.auth_filter = " And  CharIndex('3',b.FRightUserID)>0 ";  // the clerk's warehouses
  EXPECT_THAT(Rows(ComposeAuxListQuery(in), kFields),
              ElementsAre("Blue|全部仓库|3|0|0", "Blue|北京仓|3|1|1", "Dark Red|全部仓库|0|0|0",
                          "Dark Red|北京仓|0|1|1", "Green|全部仓库|0|0|0", "Red|全部仓库|10|0|0",
                          "Red|北京仓|10|1|1"));
  in.auth_filter.clear();
  in.hide_zero = true;
  in.stock_id = 1;
  in.box_text = "O'K";
  EXPECT_THAT(Rows(ComposeAuxListQuery(in), kFields), IsEmpty());

  // Before the closing the opening balances count; the number matches as well as the name.
  AuxQueryInput open;
  open.closed = false;
  open.item_id = 2;
  open.box_text = "DR";
  EXPECT_THAT(Rows(ComposeAuxListQuery(open), kFields),
              ElementsAre("Dark Red|全部仓库|0|0|0", "Dark Red|北京仓|0|1|1"));
  open.hide_zero = true;
  EXPECT_THAT(Rows(ComposeAuxListQuery(open), kFields), IsEmpty());
}

TEST_F(AuxPickerDialogTest, RowTextsAndTheIndustrysCaptions) {
  host.Set("IndustryType", 1);
  std::ostringstream messages;
  OnNewThread([&] {
    frmSelectAux form;
    form.SetRequest({2, "", 1, 0, 1030003});
    PlayLoaded(form, "", messages);
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
    EXPECT_TRUE(form.Grid().Column(7).Hidden());
    EXPECT_FALSE(form.Grid().Column(5).Hidden());  // the administrator sees prices
  });
}

TEST_F(AuxPickerDialogTest, EnterSavesTheBoxADoubleClickDoesNot) {
  std::ostringstream messages;
  auto choose = [&](const std::string& script, int32_t item, int32_t stock) {
    std::shared_ptr<Dictionary> row;
    OnNewThread([&] {
      ScriptedHost user(script, messages);
      ModalHostScope scope(user);
      row = std::dynamic_pointer_cast<Dictionary>(BaseList().ShowAux(item, "", stock, 0, 1030003));
    });
    if (!row) return std::string("none");
    std::string text;
    for (const char* key : {"AuxName", "stockName", "FQty", "FitemID", "FIndex", "Fprice"}) {
      text += row->Get(key).ToText() + "|";
    }
    return text;
  };
  EXPECT_EQ(choose("row 2; key Enter Ledger", 2, 0), "Blue|全部仓库|3|0|0|30|");
  EXPECT_EQ(GetUserProfile("BaseList", "AuxShowZero"), "0");
  // Ticked, the box hides the totals of nothing; a row without a property is its warehouse's.
  EXPECT_EQ(choose("click chkShowZero; dblclick 2", 1, 2), "|上海仓|52|2|1|2.5|");
  EXPECT_EQ(GetUserProfile("BaseList", "AuxShowZero"), "0");
  EXPECT_EQ(GetUserProfile("BaseList", "ColWidth"), "500|1500|1000|1000|1000|900|0");

  OnNewThread([&] {
    ScriptedHost user("type txtAux Blue; click cmdQuery; row 3; click cmdYes", messages);
    ModalHostScope scope(user);
    auto row = std::dynamic_pointer_cast<Dictionary>(BaseList().ShowAux(2, "", 0, 0, 1030003));
    ASSERT_TRUE(row);
    EXPECT_EQ(row->Get("AuxName").ToText(), "Blue");
    EXPECT_EQ(row->Get("stockName").ToText(), "北京仓");
    EXPECT_EQ(row->Get("Fprice").ToDouble(), 30);
    EXPECT_EQ(row->Get("FAmount").ToDouble(), 90);
    EXPECT_EQ(row->Get("StockNumber").ToText(), "01");
  });
  EXPECT_EQ(messages.str(), "");
}

TEST_F(AuxPickerDialogTest, TheBaseDataRightIsAskedBeforeAnything) {
  Exec("delete from t_suite_right where FObjectType=40");  // the clerk keeps his price rights
  LogInAs("clerk");
  std::ostringstream messages;
  OnNewThread([&] {
    ScriptedHost user("row 2; click cmdYes", messages);
    ModalHostScope scope(user);
    BaseList list;
    EXPECT_EQ(list.ShowAuxForMultiSel(2, "", 0, 0, 0), nullptr);
    EXPECT_EQ(user.RemainingActions(), 2u);  // no dialog was shown
  });
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

}  // namespace
}  // namespace qmz::testing
