#include "batch/frm_stock.h"

#include "list_services/batch_dates.h"
#include "list_services/list_settings.h"
#include "list_services/middle_tier_query.h"
#include "list_services/scanned_batch.h"
#include "login/authorization.h"
#include "login/host_props.h"
#include "login/language.h"
#include "picker/picker_format.h"
#include "platform/ignore_errors.h"
#include "platform/number_format.h"
#include "platform/text.h"
#include "platform/ui/modal_host.h"

namespace qmz {

namespace {

const PickerTexts kBatchTexts = {"请选择批号", "txtBatchNo", "批号：",
                                 "显示数量为零、金额不为零的批次", "ShowZero"};

const std::map<int32_t, int32_t> kStockRights = {
    {1020002, 1120}, {1030002, 900},  {1030003, 900},  {1040001, 1140}, {1040002, 1000},
    {1040003, 1160}, {1040004, 1110}, {1040005, 1170}, {1040006, 1180}, {1040007, 1100}};

const std::map<int32_t, int32_t> kSelectBatchNoRights = {
    {1020001, 1200}, {1020002, 1120}, {1020003, 1130}, {1030001, 2000}, {1030002, 900},
    {1030003, 2020}, {1040001, 1140}, {1040002, 1000}, {1040003, 1160}, {1040004, 1110},
    {1040005, 1170}, {1040006, 1180}, {1040007, 1150}};

void HideColumns(Ledger& grid, std::initializer_list<int32_t> cols) {
  for (int32_t col : cols) grid.Column(col).SetFlag(kColumnFlagHidden, true);
}

void AlignRight(Ledger& grid, std::initializer_list<int32_t> cols) {
  for (int32_t col : cols) grid.Column(col).SetAlignment(kAlignRight);
}

}  // namespace

BatchPickerForm::BatchPickerForm(const std::string& name, BatchPicker kind, PriceColumns columns)
    : PickerForm(name, kBatchTexts, columns), kind_(kind) {
  // The 取用数量 column is no column of the shared width record: it goes before the widths
  // are saved.
  Unload = [this, unload = Unload] {
    if (take_column_ > 0 && grid_->Cols() == take_column_) grid_->SetCols(take_column_ - 1);
    unload();
  };
}

BatchPickerForm::~BatchPickerForm() {
  grid_->RowColor = nullptr;
  grid_->MouseMove = nullptr;
  grid_->Notify = nullptr;
  grid_->Click = nullptr;
}

void BatchPickerForm::BeforeSetUpGrid() {
  rules_ = ReadExpiryRules();
  required_ = MultiSelect() ? ListSettings().RequiredQty : 0;
  if (required_ < 0) required_ = 0;
  // The grid asks for colours and tells of the mouse and the selection only when the host asked
  // for what they serve: otherwise it draws and repaints as it always did.
  if (rules_.warn_days) {
    grid_->RowColor = [this](int32_t row, int64_t& color) { ColorRow(row, color); };
    grid_->MouseMove = [this] { IgnoreErrors([&] { ShowMarkReason(); }); };
  }
  if (required_ > 0) {
    grid_->Notify = [this](int32_t, const std::string& name, const Variant&, const Variant&) {
      if (name == "SelChanged") FollowSelection();
    };
    grid_->Click = [this] { FollowSelection(); };
  }
  AddExpiryControls();
  AddCoverControls();
}

void BatchPickerForm::QueryList() {
  BatchQueryInput input;
  input.closed = InventoryClosed();
  input.item_id = ItemID;
  input.class_type = ClassTypeID;
  input.filter = Filter;
  input.batch = Batch;
  input.stock_id = StockID;
  input.aux_id = AuxID;
  input.show_zero = ShowZeroBox().Value() != 0;
  input.box_text = Box().Text();
  queried_text_ = input.box_text;
  Box().AcceptGroupSeparator(ScanningRequested());
  if (GetAppType() == 4) input.auth_filter = GetStockAuthFilter("b");
  input.fefo = rules_.fefo;
  ShowList(Shown(RunListOnClassInfo(ComposeBatchListQuery(kind_, input))));
  if (required_ > 0) Preselect();
}

int32_t BatchPickerForm::RowOf(const std::string& batch, const std::string& expiry) {
  int32_t first = 0;
  for (int32_t row = 2; list_ && row <= list_->RecordCount() + 1; ++row) {
    MoveToRow(row);
    if (Trim(Field("FBatchNo", "").ToText()) != batch) continue;
    if (first == 0) first = row;
    if (!expiry.empty() && Field("FPeriodDate", "").ToText().rfind(expiry, 0) == 0) return row;
  }
  return first;
}

bool BatchPickerForm::ReadScan() {
  const std::string read = Box().Text();
  std::optional<ScannedBatch> scanned;
  try {
    scanned = ReadScannedBatch(read);
  } catch (const std::exception& failure) {
    MessageBox(failure.what(), MessageIcon::kInformation, TranslateText("Vantrel提示"));
    return true;
  }
  if (!scanned) return false;
  int32_t row = RowOf(scanned->batch, scanned->expiry);
  if (row == 0) {
    const std::string before = queried_text_;
    Box().SetText(scanned->batch);
    QueryButton();
    row = RowOf(scanned->batch, scanned->expiry);
    if (row == 0) {
      Box().SetText(before);
      QueryButton();
      MessageBox("The label's batch " + scanned->batch + " is not in the list",
                 MessageIcon::kInformation, TranslateText("Vantrel提示"));
      return true;
    }
  }
  Box().SetText(scanned->batch);
  grid_->SetCursorRow(row);
  try {
    if (GetHostFlag("ScanConfirm")) Confirm();
  } catch (const std::exception& failure) {
    MessageBox(failure.what(), MessageIcon::kInformation, TranslateText("Vantrel提示"));
  }
  return true;
}

std::string BatchPickerForm::ChooseFilter(const std::vector<std::string>& cells) const {
  const std::string& batch = cells[0];
  const std::string& aux = cells[1];
  const std::string& stock = cells[2];
  std::string filter = batch.empty() ? "FBatchNo=''" : "FBatchNo='" + DoubleQuotes(batch) + "'";
  if (!aux.empty()) filter += " and AuxName='" + DoubleQuotes(aux) + "'";
  if (!stock.empty()) filter += " and stockName='" + DoubleQuotes(stock) + "'";
  return filter;
}

std::string BatchPickerForm::Number(const char* field, const std::string& pattern) const {
  return FormatField(Field(field, 0), pattern);
}

std::string BatchPickerForm::Text(const char* field) const {
  return Field(field, "").ToText();
}

std::string BatchPickerForm::BatchRowText(int32_t row,
                                          const std::function<void(std::string&)>& middle) {
  std::string text;
  IgnoreErrors([&] { MoveToRow(row); });
  AppendPiece(text, [&] { return std::to_string(row - 1); });
  AppendPiece(text, [&] { return Text("FBatchNo"); });
  AppendPiece(text, [&] { return Text("AuxName"); });
  AppendPiece(text, [&] { return Text("stockName"); });
  AppendPiece(text, [&] { return Number("FQty", GroupedPattern(QuantityDigits())); });
  middle(text);
  AppendPiece(text, [&] { return Number("FAmount", "###,##0.00"); });
  AppendPiece(text, [&] { return DateIfShelfLife("FKFDATE"); });
  AppendPiece(text, [&] { return DateIfShelfLife("FPeriodDate"); });
  AppendPiece(text, [&] { return Field("FitemID", 0).ToText(); });
  AppendPiece(text, [&] { return Field("FBatchNoIndex", "0").ToText(); });
  if (required_ > 0) {
    const auto take = takes_.find(row);
    text += (take == takes_.end() ? "" : QuantityText(take->second)) + "|";
  }
  return text;
}

std::string BatchPickerForm::DateIfShelfLife(const char* field) const {
  return Field("FISKFPeriod", 0).ToDouble() == 0 ? std::string() : BatchDateText(Field(field, ""));
}

frmStock::frmStock() : BatchPickerForm("frmStock", BatchPicker::kStock, {5, 6, 7}) {}

void frmStock::SetUpGrid() {
  bool denied = PricesDenied(kStockRights);
  ApplyGridLook(11);
  SetWidths({500, 1500, 1000, 1000, 1000, 1000, 900, 1100, 1100, 0, 0});
  Ledger& grid = *grid_;
  if (GetAppType() == 1) HideColumns(grid, {3});
  if (denied) HideColumns(grid, {6, 7});
  HideColumns(grid, {10, 11});
  if (GetIndustryType() == 1) HideColumns(grid, {8, 9});
  AlignRight(grid, {5, 6, 7});
  AddTakeColumn();
}

std::string frmStock::TitleText() const {
  return WithTakeTitle(
      GetIndustryType() == 1
          ? "序号|批号|辅助属性|仓库|理论重量|理论单价|金额|生产日期|有效期至|stockID|"
            "FBatchNoIndex|"
          : "序号|批号|辅助属性|仓库|数量|单价|金额|生产日期|有效期至|stockID|FBatchNoIndex|");
}

std::string frmStock::ListRowText(int32_t row) {
  return BatchRowText(row, [&](std::string& text) {
    // Closed, the query's price is 0 and the recomputation fills it in; open, the query sums
    // the opening rows' prices, so the price is worked out from the amount.
    AppendPiece(text, [&] {
      return InventoryClosed() ? Number("FPrice", GroupedPattern(PriceDigits())) : UnitPriceText();
    });
  });
}

frmSelectBatchNo::frmSelectBatchNo()
    : BatchPickerForm("frmSelectBatchNo", BatchPicker::kSelectBatchNo, {5, 7, 8}) {}

void frmSelectBatchNo::BeforeSetUpGrid() {
  BatchPickerForm::BeforeSetUpGrid();
  Box().SetText(Batch);
}

void frmSelectBatchNo::SetUpGrid() {
  bool denied = PricesDenied(kSelectBatchNoRights);
  ApplyGridLook(12);
  SetWidths({500, 1500, 1000, 1000, 1000, 500, 1000, 900, 1100, 1100, 0, 0});
  Ledger& grid = *grid_;
  if (GetAppType() == 1) HideColumns(grid, {3});
  if (denied) HideColumns(grid, {7, 8});
  HideColumns(grid, {11, 12});
  if (GetIndustryType() == 1) HideColumns(grid, {9, 10});
  AlignRight(grid, {5, 7, 8});
  AddTakeColumn();
}

std::string frmSelectBatchNo::TitleText() const {
  return WithTakeTitle(
      GetIndustryType() == 1
          ? "序号|批号|辅助属性|仓库|理论重量|单位|单价|金额|生产日期|有效期至|stockID|"
            "FBatchNoIndex|"
          : "序号|批号|辅助属性|仓库|数量|单位|单价|金额|生产日期|有效期至|stockID|"
            "FBatchNoIndex|");
}

std::string frmSelectBatchNo::ListRowText(int32_t row) {
  return BatchRowText(row, [&](std::string& text) {
    AppendPiece(text, [&] { return Text("FUnitName"); });
    AppendPiece(text, [&] { return UnitPriceText(); });
  });
}

}  // namespace qmz
