#include "batch/frm_stock.h"

#include <algorithm>

#include "inventory/batch_dates.h"
#include "inventory/scanned_batch.h"
#include "list_services/list_settings.h"
#include "login/host_props.h"
#include "login/language.h"
#include "picker/picker_format.h"
#include "platform/ignore_errors.h"
#include "platform/number_format.h"
#include "platform/text.h"
#include "platform/ui/modal_host.h"

namespace qmz {

namespace {

const PickerTexts kBatchTexts = {
    "请选择批号", "txtBatchNo", "批号：", "显示数量为零、金额不为零的批次", "ShowZero", "批号列表"};

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
  grid_->RowNote = nullptr;
  grid_->MouseMove = nullptr;
  grid_->Notify = nullptr;
  grid_->Click = nullptr;
}

void BatchPickerForm::BeforeSetUpGrid() {
  rules_ = ReadExpiryRules();
  const double required = MultiSelect() ? ListSettings().RequiredQty : 0;
  if (required != 0) required_ = QuantityAboveZero(required, "The required quantity (RequiredQty)");
  // The grid asks for colours and tells of the mouse and the selection only when the host asked
  // for what they serve: otherwise it draws and repaints as it always did.
  if (rules_.warn_days) {
    grid_->RowColor = [this](int32_t row, int64_t& color) { ColorRow(row, color); };
    grid_->RowNote = [this](int32_t row, std::string& note) { NoteRow(row, note); };
    grid_->MouseMove = [this] { IgnoreErrors([&] { ShowMarkReason(); }); };
  }
  if (rules_.warn_days || Covering()) {
    grid_->Notify = [this](int32_t, const std::string& name, const Variant&, const Variant&) {
      if (name != "SelChanged") return;
      if (Covering()) FollowSelection();
      ShowCursorReason();
    };
  }
  if (Covering()) grid_->Click = [this] { FollowSelection(); };
  AddExpiryControls();
  AddCoverControls();
}

BatchQueryInput BatchPickerForm::QueryInput(bool whole_item) {
  BatchQueryInput input;
  input.closed = InventoryClosed();
  input.item_id = ItemID;
  input.class_type = ClassTypeID;
  input.stock_id = StockID;
  input.aux_id = AuxID;
  input.show_zero = ShowZeroBox().Value() != 0;
  if (!whole_item) {
    input.filter = Filter;
    input.batch = Batch;
    input.box_text = Box().Text();
  }
  return input;
}

void BatchPickerForm::QueryList() {
  Box().AcceptGroupSeparator(ScanningRequested());
  Show(ReadBatchList(kind_, QueryInput(false), AuthContext::kDialog, rules_));
}

void BatchPickerForm::Show(BatchList list) {
  rows_ = std::move(list.rows);
  keys_.clear();
  for (int32_t position = 1; position <= list.records->RecordCount(); ++position) {
    std::string key;
    const std::vector<Variant> values = list.records->RecordValues(position);
    for (const char* field : {"FBatchNo", "AuxName", "stockName", "FitemID", "FKFDate",
                              "FPeriodDate", "FBatchNoIndex"}) {
      const int32_t at = list.records->FieldIndex(field);
      if (at >= 0) key += Trim(NullToDefault(values[static_cast<size_t>(at)], "").ToText());
      key += '\x1f';
    }
    keys_.push_back(std::move(key));
  }
  ShowHiddenNote(list.hidden.size());
  ShowList(std::move(list.records));
  if (Covering()) KeepCover();
  ShowCursorReason();
}

const StockRow& BatchPickerForm::StockRowAt(int32_t row) const {
  return rows_.at(static_cast<size_t>(row - 2));
}

const std::string& BatchPickerForm::KeyAt(int32_t row) const {
  return keys_.at(static_cast<size_t>(row - 2));
}

std::string BatchPickerForm::RowName(int32_t row) {
  MoveToRow(row);
  const std::string stock = Trim(Text("stockName"));
  return StockRowAt(row).batch + (stock.empty() ? "" : "（" + stock + "）");
}

int32_t BatchPickerForm::ScannedRow(const std::string& number, const ScannedBatch& scanned) {
  if (!list_) return 0;
  const int32_t position = FindScannedRecord(*list_, number, scanned.expiry);
  return position == 0 ? 0 : position + 1;
}

void BatchPickerForm::RefuseScan(const std::string& message) {
  MessageBox(message, MessageIcon::kInformation, TranslateText("Vantrel提示"));
  Box().SelectAll();
}

bool BatchPickerForm::ReadScan() {
  std::optional<ScannedBatch> scanned;
  std::string number;
  try {
    scanned = ReadScannedBatch(Box().Text());
    if (!scanned) return false;
    number = scanned->NumberFor(kind_ == BatchPicker::kSelectBatchNo);
  } catch (const std::exception& failure) {
    RefuseScan(failure.what());
    return true;
  }
  Reported([&] {
    int32_t row = ScannedRow(number, *scanned);
    if (row == 0) {
      BatchList whole = ReadBatchList(kind_, QueryInput(true), AuthContext::kDialog, rules_);
      const int32_t position = FindScannedRecord(*whole.records, number, scanned->expiry);
      if (position == 0) {
        const auto hidden =
            std::find_if(whole.hidden.begin(), whole.hidden.end(),
                         [&](const StockRow& r) { return SameBatch(r.batch, number); });
        RefuseScan(hidden == whole.hidden.end()
                       ? "库存中没有批号 " + number
                       : "批号 " + number + " 已于 " + DayText(*hidden->expiry) +
                             " 过期（单据日期 " + DayText(rules_.document_date) +
                             "），过期的库存不在列表中");
        return;
      }
      Show(std::move(whole));
      row = position + 1;
    }
    if (Covering()) {
      AddToCover(row);
    } else {
      grid_->SetCursorRow(row);
    }
    Box().SelectAll();
    if (GetHostFlag("ScanConfirm")) Confirm();
  });
  if (Visible()) Box().SelectAll();
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
  if (Covering()) {
    const Decimal* take =
        row - 2 < static_cast<int32_t>(keys_.size()) ? TakeOf(KeyAt(row)) : nullptr;
    text += (take ? QuantityText(*take) : "") + "|";
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
