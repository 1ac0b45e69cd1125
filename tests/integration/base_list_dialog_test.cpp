// The base-data list dialog on the demo suite, played by the scripted host.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base_data_list/base_detail.h"
#include "base_data_list/frm_base_list.h"
#include "component/inventory_sql.h"
#include "integration/demo_suite.h"
#include "list_services/list_settings.h"
#include "platform/ini_file.h"
#include "platform/ui/scripted_host.h"
#include "qmz/baselist.h"
#include "qmz/components.h"
#include "qmz/suite.h"

namespace qmz::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;

class BaseListDialogTest : public DemoSuiteWithComponentFolder {
 protected:
  void Play(frmBaseList& form, const std::string& script) { PlayLoaded(form, script, messages); }
  // The rows the list's cursor moves to from now on.
  static std::shared_ptr<std::vector<int32_t>> CursorMoves(frmBaseList& form) {
    auto rows = std::make_shared<std::vector<int32_t>>();
    form.LDGBase().SetViewListener([rows, &form](LedgerChange change) {
      if (change == LedgerChange::kCursor) rows->push_back(form.LDGBase().CursorRow());
    });
    return rows;
  }
};

TEST_F(BaseListDialogTest, TypingLocatesAndClickingFillsTheSearchBox) {
  OnNewThread([&] {
    BaseList list;
    ListSettings().ListClassID = 18;
    frmBaseList form;
    const auto cursor = CursorMoves(form);
    Play(form, "type txtNumber B260; row 10; key Up txtNumber; key Esc");
    ASSERT_EQ(sql_sent->size(), 1u);
    EXPECT_EQ(sql_sent->front(), BaseDataListSql("Where 2=2 and 3=3 \r\n"));
    EXPECT_THAT(ColumnTexts(form.LDGBase(), 3),
                ElementsAre("A'B", "B2601", "B2601", "B2601", "B2601", "B2602", "B2603", "B2604",
                            "N-0001", "N-0002", "P-01", "P-01", "P-02", "P-03"));
    // Each key located the first B260 row and left the typed text alone; the click and the
    // arrow key copied the selected row's code into the box without moving the selection back.
    EXPECT_THAT(*cursor, ElementsAre(3, 3, 3, 3, 10, 9));
    EXPECT_EQ(form.txtNumber().Text(), "B2604");
    EXPECT_FALSE(form.OK());
    form.RunUnload();
  });
}

TEST_F(BaseListDialogTest, ReReadSortAndTheQuoteMessage) {
  OnNewThread([&] {
    BaseList list;
    list.KeyWord("P-0");
    ListSettings().ListClassID = 18;
    frmBaseList form;
    Play(form, "key F9; dblclick 1 5; hover 3 2; paste txtNumber A'B; key F9; close");
    // The tip holds the shown cells from the code column on.
    EXPECT_EQ(form.LDGBase().ToolTipText(),
              "P-01    |Red    |5    |上海仓    |2026-04-01    |0    ");
    ASSERT_EQ(sql_sent->size(), 2u);  // the load and one re-read; the quote blocked the second
    EXPECT_EQ(sql_sent->at(0), BaseDataListSql("Where t1.FBatchNo Like '%P-0%' and 3=3 \r\n"));
    EXPECT_EQ(sql_sent->at(1), sql_sent->at(0));
    EXPECT_EQ(messages.str(), "[Vantrel提示] 不能输入单引号。\n");
    // Sorted by quantity, descending; the pasted text located nothing in this list.
    EXPECT_THAT(ColumnTexts(form.LDGBase(), 5), ElementsAre("10", "5", "3", "0"));
    EXPECT_EQ(form.txtNumber().Text(), "A'B");  // the focus selected the old text
    form.RunUnload();
  });
}

TEST_F(BaseListDialogTest, TheHostsFilterItemNarrowsTheList) {
  OnNewThread([&] {
    BaseList list;
    list.FilterItem("t1.FStockID=2");
    ListSettings().ListClassID = 18;
    frmBaseList form;
    const auto cursor = CursorMoves(form);
    Play(form, "type txtNumber P; key Back; key Esc");
    EXPECT_EQ(sql_sent->front(), BaseDataListSql("Where 2=2 and t1.FStockID=2 \r\n"));
    EXPECT_THAT(ColumnTexts(form.LDGBase(), 3), ElementsAre("B2601", "B2603", "N-0002", "P-01"));
    // Typing P found the first P row; clearing the box locates the first row.
    EXPECT_THAT(*cursor, ElementsAre(5, 2));
    EXPECT_EQ(form.txtNumber().Text(), "");
    form.RunUnload();
  });
}

TEST_F(BaseListDialogTest, TheClerkSeesHisWarehousesOnly) {
  LogInAs("clerk");
  host.Set("AppType", 4);  // the application type under which the list asks for rights
  AsUser("type txtNumber B2601; key Enter", [&](BaseList& list) {
    int32_t id = 3;
    auto rows = std::dynamic_pointer_cast<Recordset>(list.Show(id, 18));
    const std::string auth = " And  CharIndex('3',t2.FRightUserID)>0 ";
    ASSERT_EQ(sql_sent->size(), 2u);
    EXPECT_EQ(sql_sent->at(0), BaseDataListSql("Where 2=2 and 3=3 \r\n" + auth));
    EXPECT_THAT(Rows(sql_sent->at(0), {"FStockName"}),
                ::testing::Each(::testing::AnyOf("北京仓", "虚拟仓")));
    EXPECT_EQ(sql_sent->at(1),
              BatchRowsSql("Where t1.FBatchNo Like 'B2601' \r\n" + auth,
                           "1=1 and FStockID=1 AND FKFPeriod=365 AND FKFDate='2026-01-05'"));
    ASSERT_TRUE(rows);
    EXPECT_EQ(rows->RecordCount(), 2);
  });
}

TEST_F(BaseListDialogTest, ShowReturnsTheInventoryRowsOfTheChosenBatch) {
  // The returned rows' filter and count, and the rows the query found.
  // A read that fails answers "failed", its reason in LastFailure.
  std::string failure;
  auto show = [&](const std::string& script, const std::string& filter = "",
                  const std::string& filter_item = "") {
    std::string answer = "null";
    AsUser(script, [&](BaseList& list) {
      list.Filter(filter);
      list.FilterItem(filter_item);
      int32_t user = 7;
      if (auto rows = std::dynamic_pointer_cast<Recordset>(list.Show(user, 18))) {
        answer = rows->Filter() + ": " + std::to_string(rows->RecordCount()) + " of " +
                 SortedRows(sql_sent->back(), {"FBatchNo", "FStockName", "FQty"});
      }
      failure = LastFailure();
      if (!failure.empty()) answer = "failed";
    });
    return answer;
  };
  EXPECT_EQ(show("close"), "null");
  // The first list cannot be read: the user is told, and the call fails without a dialog; the
  // chosen row cannot be read: the same.
  EXPECT_EQ(show("", "", "t1.fnosuchcolumn=1"), "failed");
  EXPECT_THAT(failure, ::testing::HasSubstr("fnosuchcolumn"));
  EXPECT_EQ(show("type txtNumber B2603; key Enter", "fnosuchcolumn>0"), "failed");
  EXPECT_THAT(failure, ::testing::HasSubstr("fnosuchcolumn"));
  EXPECT_THAT(messages.str(), ::testing::HasSubstr("[Vantrel提示] "));
  EXPECT_EQ(show("type txtNumber B2601; key Down txtNumber; key Enter"),
            "FStockID=1 AND FKFPeriod=365 AND FKFDate='2026-01-05': 2 of "
            "B2601|北京仓|100,B2601|北京仓|20");
  // A period below 0 with no date shown finds the rows stored with 1900-01-01.
  EXPECT_EQ(show("type txtNumber B2603; key Enter"),
            "FStockID=2 AND FKFPeriod=-1 AND FKFDate='1900-01-01': 1 of B2603|上海仓|12");
  // The host's filter narrows the returned rows; a double click returns its row.
  EXPECT_EQ(show("dblclick 4 3", "FQty>50"),
            "FStockID=1 AND FKFPeriod=365 AND FKFDate='2026-01-05': 1 of B2601|北京仓|100");
  // The quoted batch is found again.
  EXPECT_EQ(show("row 2; key Enter"),
            "FStockID=4 AND FKFPeriod=365 AND FKFDate='2026-03-01': 1 of A'B|广州仓|7");
}

TEST_F(BaseListDialogTest, ColumnWidthsComeFromAndGoToTheSettingsFile) {
  auto saved = [&](const std::string& key) {
    IniFileComponent ini;
    ini.SetFile(ComponentFolder() + "/JXCSystem.INI");
    return ini.Read("BaseList", key, "none");
  };
  OnNewThread([&] {
    BaseList list;
    ListSettings().ListClassID = 18;
    {
      frmBaseList form;
      form.LDGBase().SetHostWidth(7000);
      form.RunLoad();
      std::vector<float> widths = ColumnWidths(form.LDGBase());
      EXPECT_THAT(std::vector<float>(widths.begin() + 2, widths.begin() + 8),
                  ElementsAre(900, 1000, 1400, 1400, 1020, 1000));
      form.RunUnload();
    }
    EXPECT_EQ(saved("1803") + " " + saved("1811"), "900 1000");
    IniFileComponent install;  // read from the install folder, saved next to the component
    install.SetFile(InstallFolder() + "/JXCSystem.INI");
    install.Write("BaseList", "1803", "1234.5");
    frmBaseList form;
    form.LDGBase().SetHostWidth(7000);
    form.RunLoad();
    EXPECT_EQ(form.LDGBase().Column(3).Width(), 1234.5f);
  });
  AsUser("close", [&](BaseList& list) {
    int32_t user = 0;
    EXPECT_EQ(list.Show(user, -121), nullptr);
    EXPECT_EQ(
        saved("-12101") + " " + saved("-12103") + " " + saved("-12105") + " " + saved("-12106"),
        "1000 3200 3200 none");
  });
}

TEST_F(BaseListDialogTest, OtherClassesShowTitlesOnly) {
  std::vector<std::string> dumped;
  EXPECT_EQ(AsUser("key Enter; close; close",
                   [&](BaseList& list) {
                     SetFormHiddenListener([&](Form& form) {
                       dumped.push_back(form.Find<GridControl>("LDGBase").Grid().DumpGrid());
                     });
                     int32_t user = 0;
                     EXPECT_EQ(list.Show(user), nullptr);     // class 0; Enter without rows
                     EXPECT_EQ(list.ShowEx(4), nullptr);      // keeps it open
                     EXPECT_EQ(list.ShowEx(70000), nullptr);  // beyond 16 bits: no dialog
                     SetFormHiddenListener(nullptr);
                   }),
            0u);
  EXPECT_THAT(dumped, ElementsAre("||代码|名称|\n", "||代码|名称|规格|\n"));
  EXPECT_TRUE(sql_sent->empty());
}

TEST_F(BaseListDialogTest, BaseDetailKeepsItsListWhenAReReadFails) {
  OnNewThread([&] {
    BaseList list;
    ListSettings().ListClassID = 18;
    ListSettings().Filter = "FQty>0";
    {
      auto grid = std::make_shared<Ledger>();
      BaseDetail detail;
      detail.LDG(grid);
      detail.GetTitleInfo(18);
      detail.TakeJournalData();
      EXPECT_EQ(sql_sent->size(), 1u);
      EXPECT_FALSE(detail.Data()->Connected());  // kept in memory
      ComponentRegistry::Instance().Unregister(progid::kClassInfo);
      detail.Refresh();
      EXPECT_EQ(grid->Rows(), 15);
      EXPECT_TRUE(grid->Column(2).Hidden());
    }
    EXPECT_EQ(ListSettings().Filter, "");  // an ended BaseDetail clears the host's filter
  });
}

TEST_F(BaseListDialogTest, StoppingALongListsReadEndsItsQueryAndLeavesTheDialogAsItWas) {
  AddInventoryRows(200000);  // a list that takes a while to read
  // The first list stopped: the dialog closes without a choice, and no failure is told.
  EXPECT_EQ(AsUser("cancel 100",
                   [&](BaseList& list) {
                     int32_t user = 0;
                     EXPECT_EQ(list.Show(user, 18), nullptr);
                     EXPECT_EQ(LastFailure(), "");
                   }),
            0u);
  EXPECT_EQ(messages.str(), "[script] the read was cancelled after 100 ms\n");
  EXPECT_EQ(StatementsRunningOnTheServer(), 0);
  // A re-read of every row stopped: the short list read first stays, and a row of it is chosen.
  messages.str("");
  sql_sent->clear();
  OnNewThread([&] {
    BaseList list;
    list.KeyWord("B260");
    ListSettings().ListClassID = 18;
    frmBaseList form;
    int32_t rows_before = 0;
    form.LDGBase().RowText = [&, answer = form.LDGBase().RowText](int32_t row, std::string& text) {
      answer(row, text);
      if (rows_before == 0) rows_before = form.LDGBase().Rows();
    };
    Play(form, "key Back txtNumber; cancel 100; key F9; row 3; key Enter");
    EXPECT_EQ(sql_sent->size(), 3u);  // the first list, the stopped re-read, the chosen row's
    EXPECT_EQ(rows_before, 8);
    EXPECT_EQ(form.LDGBase().Rows(), 8);
    ASSERT_TRUE(form.OK());
    form.RtRec()->MoveFirst();
    EXPECT_EQ(form.RtRec()->Value("FBatchNo").ToText(), "B2601");
    form.RunUnload();
  });
  EXPECT_EQ(messages.str(), "[script] the read was cancelled after 100 ms\n");
  EXPECT_EQ(StatementsRunningOnTheServer(), 0);
  // A sort of the whole list by its batch numbers stopped: the rows stay in the order they were
  // read (a finished sort would begin with P-03), the cursor row and the sort text as they were.
  messages.str("");
  OnNewThread([&] {
    BaseList list;
    ListSettings().ListClassID = 18;
    frmBaseList form;
    Play(form, "row 4; cancel 20; dblclick 1 3; close");
    EXPECT_EQ(form.LDGBase().Rows(), 200015);
    EXPECT_EQ(form.LDGBase().CursorRow(), 4);
    EXPECT_EQ(form.Detail()->Data()->Sort(), "");
    const std::vector<std::string> first_rows = {
        form.LDGBase().CellText(2, 3),  form.LDGBase().CellText(3, 3),
        form.LDGBase().CellText(4, 3),  form.LDGBase().CellText(7, 3),
        form.LDGBase().CellText(11, 3), form.LDGBase().CellText(200015, 3)};
    EXPECT_THAT(first_rows, ElementsAre("A'B", "B2601", "B2601", "B2602", "L1000002", "P-03"));
    form.RunUnload();
  });
  EXPECT_EQ(messages.str(), "[script] the read was cancelled after 20 ms\n");
}

}  // namespace
}  // namespace qmz::testing
