// The aux picker on the demo suite: its query on SQLite and a whole dialog.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "auxprop/aux_query.h"
#include "integration/demo_suite.h"
#include "platform/ui/scripted_host.h"
#include "qmz/baselist.h"

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

TEST_F(AuxPickerDialogTest, ShowAuxReturnsTheChosenProperty) {
  std::ostringstream messages;
  OnNewThread([&] {
    ScriptedHost user("type txtAux Blue; click cmdQuery; row 3; click cmdYes", messages);
    ModalHostScope scope(user);
    BaseList list;
    auto row = std::dynamic_pointer_cast<Dictionary>(list.ShowAux(2, "", 0, 0, 1030003));
    ASSERT_TRUE(row);
    EXPECT_EQ(row->Get("AuxName").ToText(), "Blue");
    EXPECT_EQ(row->Get("stockName").ToText(), "北京仓");
    EXPECT_EQ(row->Get("Fprice").ToDouble(), 30);
    EXPECT_EQ(row->Get("FAmount").ToDouble(), 90);
    EXPECT_EQ(row->Get("StockNumber").ToText(), "01");
  });
  LogInAs("guest");
  OnNewThread([&] {
    ScriptedHost user("row 2; click cmdYes", messages);
    ModalHostScope scope(user);
    BaseList list;
    EXPECT_EQ(list.ShowAux(2, "", 0, 0, 0), nullptr);
    EXPECT_EQ(user.RemainingActions(), 2u);  // no dialog was shown
  });
  EXPECT_EQ(messages.str(),
            "[] 对不起，您没有相应的基础资料查询权限！！\n[script] 2 actions were not played\n");
}

}  // namespace
}  // namespace qmz::testing
