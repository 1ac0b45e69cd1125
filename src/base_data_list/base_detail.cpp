#include "base_data_list/base_detail.h"

#include "base_data_list/base_data_query.h"
#include "inventory/batch_dates.h"
#include "list_services/list_settings.h"
#include "list_services/middle_tier_query.h"
#include "list_services/wait_cursor.h"
#include "login/authorization.h"
#include "login/host_props.h"
#include "login/language.h"
#include "platform/ignore_errors.h"
#include "platform/like.h"
#include "platform/number_format.h"
#include "platform/stoppable_read.h"
#include "platform/text.h"
#include "platform/ui/ledger.h"
#include "platform/ui/modal_host.h"
#include "qmz/error.h"

namespace qmz {

namespace {

constexpr int16_t kBatchClass = 18;
constexpr int16_t kPriceClass = 17;

std::string AuthFilterForBaseData() {
  return StockAuthFilterIn(AuthContext::kDialog, "t2");
}

// The "#0." pattern with `digits` zeros, or "#0" without decimals.
std::string PricePattern(int32_t digits) {
  return digits != 0 ? "#0." + std::string(static_cast<size_t>(std::max(digits, 0)), '0')
                     : std::string("#0");
}

}  // namespace

void BaseDetail::ReportFailure(const std::exception& failure) {
  read_failure_ = *failure.what() ? failure.what() : "The base-data list could not be read";
  MessageBox(failure.what(), MessageIcon::kInformation, TranslateText("Vantrel提示"));
}

Recordset& BaseDetail::Records() const {
  if (!data_) throw Error("The base-data list has no recordset");
  return *data_;
}

Ledger& BaseDetail::Grid() const {
  if (!grid_) throw Error("The base-data list has no grid");
  return *grid_;
}

BaseDetail::~BaseDetail() {
  data_.reset();
  grid_.reset();
  ListSettings().Filter.clear();
  columns_.clear();
}

void BaseDetail::GetTitleInfo(int32_t ClassID) {
  if (grid_) {
    IgnoreErrors([&] {
      if (Grid().Cols() >= 4) Grid().Column(4).SetFlag(kColumnFlagHidden, false);
      if (Grid().Cols() >= 5) Grid().Column(5).SetFlag(kColumnFlagHidden, false);
    });
  }
  columns_ = TitleColumns(ClassID, GetAppType());
}

RecordsetPtr BaseDetail::GetData(const std::string& Number) {
  WaitCursor wait;
  read_failure_.clear();
  read_stopped_ = false;
  try {
    if (ListSettings().ListClassID != kBatchClass) return nullptr;
    return RunListOnClassInfo(
        ComposeBaseDataQuery(Number, ListSettings().FilterItem, AuthFilterForBaseData()));
  } catch (const ReadStopped&) {
    read_stopped_ = true;  // the user's own doing: nothing to report
    return nullptr;
  } catch (const std::exception& failure) {
    ReportFailure(failure);
    return nullptr;
  }
}

void BaseDetail::SizeGrid() {
  IgnoreErrors([&] { Grid().SetRows(1); });
  IgnoreErrors([&] { Grid().SetRows(Records().RecordCount() + 1); });
}

bool BaseDetail::TakeJournalData(RecordsetPtr Rs) {
  IgnoreErrors([&] {
    if (Rs) {
      data_ = std::move(Rs);
    } else {
      data_ = GetData(ListSettings().KeyWord);
      Records().ReleaseConnection();  // kept in memory, without a connection
    }
  });
  ShowTakenData();
  return false;
}

void BaseDetail::TakeNoData() {
  data_.reset();
  ShowTakenData();
}

void BaseDetail::ShowTakenData() {
  IgnoreErrors([&] { Grid().SetCols(static_cast<int32_t>(columns_.size())); });
  SizeGrid();
  IgnoreErrors([&] { Grid().Column(1).SetFlag(kColumnFlagHidden, false); });
  IgnoreErrors([&] { Grid().Column(2).SetFlag(kColumnFlagHidden, false); });
}

void BaseDetail::Refresh() {
  IgnoreErrors([&] { data_ = RunListOnClassInfo(Records().Source()); });
  IgnoreErrors([&] { Grid().SetCols(static_cast<int32_t>(columns_.size())); });
  SizeGrid();
  IgnoreErrors([&] { Grid().Column(1).SetFlag(kColumnFlagHidden, true); });
  IgnoreErrors([&] { Grid().Column(2).SetFlag(kColumnFlagHidden, true); });
  IgnoreErrors([&] { Grid().ForceRefresh(); });
}

RecordsetPtr BaseDetail::ReturnData(int32_t Row) {
  read_failure_.clear();
  try {
    std::string batch = Grid().CellText(Row, 2);
    std::string row_filter;
    if (ListSettings().ListClassID == kBatchClass) {
      // The shelf life from the row's record: its cell is empty for a period below 0.
      Records().MoveFirst();
      Records().Move(Row - 2);
      const std::string period = Trim(NullToDefault(Records().Value("FKFPeriod"), "").ToText());
      row_filter = ReturnRowFilter(Grid().CellText(Row, 11), period, Grid().CellText(Row, 7));
    }
    WaitCursor wait;
    if (ListSettings().ListClassID != kBatchClass) {
      throw Error("The item class " + std::to_string(ListSettings().ListClassID) +
                  " has no rows to return");
    }
    RecordsetPtr rows = RunOnClassInfo(
        ComposeBatchRowsQuery(batch, ListSettings().Filter, row_filter, AuthFilterForBaseData()));
    rows->SetFilter(row_filter);
    return rows;
  } catch (const std::exception& failure) {
    ReportFailure(failure);
    return nullptr;
  }
}

void BaseDetail::Location(const std::string& strNumber) {
  IgnoreErrors([&] {
    std::string pattern = strNumber + "*";
    for (int32_t row = 2; row <= Grid().Rows(); ++row) {
      if (!Like(Grid().CellText(row, 3), pattern)) continue;
      // Set before the move: the grid reports the move at once, and that report must not
      // overwrite the text being typed.
      ListSettings().LocatePending = true;
      Grid().SetCursorRow(row);
      return;
    }
  });
}

void BaseDetail::LocationNew(const std::string& strNumber) {
  IgnoreErrors([&] {
    std::string value = "'" + DoubleQuotes(strNumber) + "%'";
    if (Records().RecordCount() == 0) return;
    Records().MoveFirst();
    std::string field = ListSettings().ListClassID == kBatchClass ? "FBatchNo" : "FNumber";
    Records().Find(field + " Like " + value, 0, true);
    if (Records().Eof() || Records().Bof()) return;
    ListSettings().LocatePending = true;  // before the move, as in Location
    Grid().SetCursorRow(Records().AbsolutePosition() + 1);
  });
}

void BaseDetail::MoveLDG(int16_t DWay) {
  if (moving_) return;
  IgnoreErrors([&] {
    if (Grid().Rows() < 2) return;
    moving_ = true;
    int32_t row = Grid().CursorRow();
    if (DWay != 0) {
      if (row >= 3) Grid().SetCursorRow(row - 1);
    } else if (row != Grid().Rows()) {
      Grid().SetCursorRow(row + 1);
    }
  });
  moving_ = false;
}

int32_t BaseDetail::Sort(int32_t FCol, int16_t SortMode) {
  IgnoreErrors([&] {
    if (FCol <= 0 || FCol > static_cast<int32_t>(columns_.size())) return;
    const std::string& field = columns_[static_cast<size_t>(FCol - 1)].FieldName;
    if (field.empty()) return;
    SortRecords(field + (SortMode == 0 ? " DESC" : " ASC"));
  });
  return 0;
}

void BaseDetail::SortRecords(const std::string& sort) {
  Recordset& records = Records();
  WaitCursor wait;
  SortedView view;
  try {
    RunStoppableRead([&] { view = records.PrepareSort(sort, CountRowsOrStop); },
                     StoppableRead::Work::kSorting);
  } catch (const ReadStopped&) {
    return;  // the user's own doing: the list stays as it was
  }
  records.SetSort(std::move(view));
}

std::string BaseDetail::CellTextOf(const Variant& value, const std::string& field) const {
  if (ListSettings().ListClassID == kBatchClass) {
    // The dates and shelf life as the batch pickers show them.
    if (EqualsIgnoreCase(field, "FKFDate")) return BatchDateText(value);
    if (EqualsIgnoreCase(field, "FKFPeriod")) return ShelfLifeText(value);
  }
  std::string text = value.IsNull() ? std::string() : Trim(value.ToText());
  if (ListSettings().ListClassID == kPriceClass && EqualsIgnoreCase(field, "FPrice")) {
    IgnoreErrors([&] {
      int32_t digits = Records().Value("FPriceDecimal").ToInt32();
      text = FormatNumber(value.ToDouble(), PricePattern(digits));
    });
  }
  return text;
}

std::string BaseDetail::DRowData(int32_t lRow, int16_t) {
  IgnoreErrors([&] {
    Records().MoveFirst();
    Records().Move(lRow - 2);
  });
  IgnoreErrors([&] {
    if (Records().Eof()) Records().MoveLast();
  });
  IgnoreErrors([&] {
    if (Records().Bof()) Records().MoveFirst();
  });
  std::string text;
  for (const ColumnDef& column : columns_) {
    std::string cell;
    IgnoreErrors([&] { cell = CellTextOf(Records().Value(column.FieldName), column.FieldName); });
    text += cell + "|";
  }
  return text;
}

std::string BaseDetail::TRowData(int32_t lRow) {
  std::string text;
  for (size_t k = 0; k < columns_.size(); ++k) {
    const ColumnDef& column = columns_[k];
    text += lRow == 1 ? column.Caption + "|" : std::string(" |");
    IgnoreErrors([&] {
      LedgerColumn& grid_column = Grid().Column(static_cast<int32_t>(k) + 1);
      if (IsNumericDataType(column.DataType)) grid_column.SetAlignment(kAlignRight);
      if (lRow == 1) grid_column.SetFlag(kColumnFlagHidden, column.Hidden);
    });
  }
  return text;
}

}  // namespace qmz
