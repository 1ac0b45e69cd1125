// BaseDetail on a grid and in-memory recordsets: titles, row texts, locating, stepping, sorting,
// and the texts of the base-data queries.
#include "base_data_list/base_detail.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>
#include <thread>

#include "base_data_list/base_data_query.h"
#include "component/inventory_sql.h"
#include "list_services/list_settings.h"
#include "platform/ui/ledger.h"
#include "platform/ui/scripted_host.h"

namespace qmz {
namespace {

using testing::BaseDataListSql;
using testing::BatchRowsSql;

// Runs `body` on a new thread, whose list settings start fresh.
void OnFreshThread(const std::function<void()>& body) {
  std::thread(body).join();
}

RecordsetPtr MakeRecordset(std::vector<std::string> fields,
                           std::vector<std::vector<Variant>> rows) {
  auto records = std::make_shared<Recordset>(std::move(fields));
  for (auto& row : rows) records->AddRecord(std::move(row));
  return records;
}

std::string TitlesOf(int32_t class_id, int32_t app_type = 2) {
  std::string text;
  for (const ColumnDef& c : TitleColumns(class_id, app_type)) {
    text += c.FieldName + ":" + c.Caption + (c.Hidden ? "(h)" : "") +
            (c.DataType ? "#" + std::to_string(c.DataType) : "") + "|";
  }
  return text;
}

TEST(BaseDataColumnsTest, EachClassDefinesItsColumns) {
  EXPECT_EQ(TitlesOf(18),
            "FBatchNo:(h)|FBatchNo:(h)|FBatchNo:批号|FAuxPropName:辅助属性名称|FQty:数量#5|"
            "FStockName:仓库|FKFDate:生产/采购日期|FKFPeriod:保质期#3|FStockName:仓位(h)|"
            "FStockID:(h)|FStockID:(h)|");
  EXPECT_THAT(TitlesOf(18, 1), ::testing::StartsWith("FBatchNo:(h)|FBatchNo:(h)|FBatchNo:批号|"
                                                     "FAuxPropName:辅助属性名称(h)|"));
  EXPECT_EQ(TitlesOf(-121), "FInterID:(h)|FOperID:(h)|FOperSN:工序顺序号|FNumber:工序|FName:名称|");
  EXPECT_EQ(TitlesOf(99), "FBrNo:(h)|FInterID:(h)|FID:代码|FName:名称|");
  EXPECT_EQ(TitlesOf(130), "FBrNo:(h)|FItemID:(h)|FNumber:代码|FName:名称|");
  EXPECT_EQ(TitlesOf(12), "FBrNo:(h)|FCurrencyID:(h)|FNumber:代码|FName:名称|");
  EXPECT_EQ(TitlesOf(16), "FBrNo:(h)|FItemId:(h)|FNumber:代码|FName:名称|");
  EXPECT_EQ(TitlesOf(17), "FInterID:(h)|FInterID:(h)|FName:价格类型|FPrice:单价#5|");
  EXPECT_EQ(TitlesOf(-118),
            "FOperMoveNo:(h)|FOperMoveNo:(h)|FOperMoveNo:流转号|FTransType:(h)|FWBInterID:(h)|");
}

TEST(BaseDataQueryTest, ListAndReturnQueriesFillTheirPlaceholders) {
  // Empty fragments, a blank keyword and a bare filter item are in the dialog tests.
  EXPECT_EQ(
      ComposeBaseDataQuery(" B'6", "t1.FStockID=1", " And  CharIndex('3',t2.FRightUserID)>0 "),
      BaseDataListSql("Where t1.FBatchNo Like '% B''6%' and t1.FStockID=1 \r\n"
                      " And  CharIndex('3',t2.FRightUserID)>0 "));
  EXPECT_EQ(ComposeBatchRowsQuery("A'B", "FQty>0", "FStockID=4 AND FKFPeriod=365", ""),
            BatchRowsSql("Where t1.FBatchNo Like 'A''B' \r\n",
                         "FQty>0 and FStockID=4 AND FKFPeriod=365"));
  EXPECT_EQ(ComposeBatchRowsQuery("", "", "", ""), BatchRowsSql("Where 2=2 \r\n", "1=1 and 3=3"));

  EXPECT_EQ(ReturnRowFilter("1", "0", ""), "FStockID=1 AND FKFPeriod=0");
  EXPECT_EQ(ReturnRowFilter("12abc", "", ""), "FStockID=12 AND FKFPeriod=0");
}

// A BaseDetail (of batches, class 18) over an in-memory list, on the calling thread's settings.
struct BatchList {
  explicit BatchList(int16_t class_id = 18) {
    ListSettings().ListClassID = class_id;
    grid->SetCols(5);
    detail.LDG(grid);
    detail.GetTitleInfo(class_id);
    grid->RowText = [this](int32_t row, std::string& text) {
      text = row == 1 ? detail.TRowData(1) : detail.DRowData(row);
    };
    grid->Notify = [this](int32_t, const std::string&, const Variant&, const Variant& row) {
      moves.push_back(row.ToInt32());
    };
  }
  void Take(std::vector<std::vector<Variant>> rows) {
    detail.TakeJournalData(MakeRecordset({"FAuxPropName", "FItemID", "FBatchNo", "FQty", "FStockID",
                                          "FStockName", "FKFDate", "FKFPeriod", "FNumber"},
                                         std::move(rows)));
  }
  std::shared_ptr<Ledger> grid = std::make_shared<Ledger>();
  BaseDetail detail;
  std::vector<int32_t> moves;
};

std::vector<Variant> Batch(const char* batch, double qty, int stock, const char* number = "N") {
  return {Variant::Null(), 1,   batch, qty, stock, "仓" + std::to_string(stock),
          "2026-01-05",    365, number};
}

TEST(BaseDetailTest, RowTextsTitlesAndSort) {
  OnFreshThread([] {
    BatchList list;
    std::vector<Variant> no_date = Batch("D1", 1, 2);
    no_date[6] = "1900-01-01 00:00:00";  // no date and no shelf life, as the suite stores them
    no_date[7] = -1;
    list.Take({Batch(" B1 ", 12, 1), Batch("B2", 0.5, 2), Batch("C1", 3, 1), no_date});
    list.grid->RowTextOf(1);  // the title row's text sets the columns up
    EXPECT_TRUE(list.grid->Column(1).Hidden());
    EXPECT_TRUE(list.grid->Column(9).Hidden());
    EXPECT_FALSE(list.grid->Column(3).Hidden());
    EXPECT_EQ(list.grid->Column(5).Alignment(), kAlignRight);
    EXPECT_EQ(list.grid->Column(6).Alignment(), kAlignLeft);
    EXPECT_EQ(list.grid->Column(8).Alignment(), kAlignRight);
    EXPECT_EQ(list.detail.DRowData(2), "B1|B1|B1||12|仓1|2026-01-05|365|仓1|1|1|");
    EXPECT_EQ(list.detail.DRowData(5), "D1|D1|D1||1|仓2|||仓2|2|2|");
    EXPECT_EQ(list.detail.DRowData(9), list.detail.DRowData(5));  // past the end: the last
    EXPECT_EQ(list.detail.DRowData(0), list.detail.DRowData(2));
    EXPECT_EQ(list.detail.TRowData(3), " | | | | | | | | | | |");

    list.detail.Sort(5, 1);
    list.grid->Invalidate();  // the data changed under the grid
    EXPECT_EQ(list.grid->CellText(2, 5), "0.5");
    list.detail.Sort(0);
    list.detail.Sort(12);
    EXPECT_EQ(list.detail.Data()->Sort(), "FQty ASC");
  });
}

TEST(BaseDetailTest, LocateAndStep) {
  OnFreshThread([] {
    BatchList list;
    list.Take({Batch("AXC", 1, 1, "Z"), Batch("ABC9", 1, 1, "B2"), Batch("B20", 1, 2, "A")});
    // L: Location, wildcards over the grid's code column, case-sensitive; N: LocationNew, the
    // recordset's batch number for class 18 (not FNumber); M: MoveLDG, within the data rows.
    struct Step {
      char how;
      const char* text;
      int32_t cursor;
      bool pending;  // a row was located
    };
    const Step steps[] = {{'L', "A?C", 2, true}, {'L', "A[!X]C#", 3, true}, {'L', "abc", 3, false},
                          {'L', "[", 3, false},  {'N', "B2", 4, true},      {'N', "Q", 4, false},
                          {'N', "a'", 4, false}, {'M', "0", 4, false},      {'M', "1", 3, false},
                          {'M', "1", 2, false},  {'M', "1", 2, false}};
    for (const Step& step : steps) {
      SCOPED_TRACE(std::string(1, step.how) + " " + step.text);
      ListSettings().LocatePending = false;
      if (step.how == 'L') list.detail.Location(step.text);
      if (step.how == 'N') list.detail.LocationNew(step.text);
      if (step.how == 'M') list.detail.MoveLDG(static_cast<int16_t>(step.text[0] - '0'));
      EXPECT_EQ(list.grid->CursorRow(), step.cursor);
      EXPECT_EQ(ListSettings().LocatePending, step.pending);
    }
    EXPECT_EQ(list.moves, (std::vector<int32_t>{2, 3, 4, 3, 2}));  // nothing found: no move
  });
  OnFreshThread([] {
    BatchList list(4);
    list.Take({Batch("X", 1, 1, "B2")});
    list.detail.LocationNew("B2");  // other classes search FNumber
    EXPECT_EQ(list.grid->CursorRow(), 2);
    EXPECT_TRUE(ListSettings().LocatePending);
    BatchList empty;
    empty.Take({});
    empty.detail.LocationNew("");
    empty.detail.MoveLDG(0);
    empty.detail.MoveLDG(1);
    EXPECT_EQ(empty.grid->Rows(), 1);
    EXPECT_TRUE(empty.moves.empty());
  });
}

TEST(BaseDetailTest, ClassesWithoutAQueryReadNothing) {
  OnFreshThread([] {
    std::ostringstream messages;
    ScriptedHost dialogs("", messages);
    ModalHostScope scope(dialogs);
    BatchList list(12);  // the grid keeps its title row
    list.detail.TakeJournalData();
    EXPECT_EQ(list.grid->Rows(), 1);
    EXPECT_EQ(list.grid->Cols(), 4);
    EXPECT_EQ(list.detail.ReturnData(2), nullptr);
    // The refused return is the one message: no middle tier is installed here, so a query
    // would have been reported as well.
    ASSERT_EQ(dialogs.Messages().size(), 1u);
    EXPECT_THAT(dialogs.Messages()[0], ::testing::StartsWith("[Vantrel提示] "));
  });
}

TEST(BaseDetailTest, PriceListFormatsPricesWithTheirDecimals) {
  OnFreshThread([] {
    BatchList list(17);
    list.detail.TakeJournalData(MakeRecordset({"FInterID", "FName", "FPrice", "FPriceDecimal"},
                                              {{1, "零售价", 12.5, 2}, {2, "批发价", 12.5, 0}}));
    EXPECT_EQ(list.detail.DRowData(2), "1|1|零售价|12.50|");
    EXPECT_EQ(list.detail.DRowData(3), "2|2|批发价|13|");
  });
}

}  // namespace
}  // namespace qmz
