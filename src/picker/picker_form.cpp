#include "picker/picker_form.h"

#include <algorithm>

#include "inventory/unit_price.h"

#include "list_services/middle_tier_query.h"
#include "list_services/row_to_dictionary.h"
#include "list_services/saved_settings.h"
#include "login/host_props.h"
#include "login/installation.h"
#include "login/language.h"
#include "login/login_context.h"
#include "login/user_profile.h"
#include "picker/item_header_query.h"
#include "picker/picker_format.h"
#include "picker/width_record.h"
#include "platform/ignore_errors.h"
#include "platform/number_format.h"
#include "platform/stoppable_read.h"
#include "platform/text.h"
#include "platform/ui/modal_host.h"
#include "qmz/components.h"

namespace qmz {

namespace {

constexpr uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) {
  return r + g * 256 + b * 65536;
}
const char kProfileGroup[] = "BaseList";
constexpr int32_t kPriceObjectType = 15;
constexpr int32_t kPriceRight = 32;
constexpr int32_t kBoxPageRows = 10;  // PageUp and PageDown in the search box

}  // namespace

PickerForm::PickerForm(const std::string& name, const PickerTexts& texts, PriceColumns columns)
    : Form(name), grid_(std::make_shared<Ledger>()), texts_(texts), columns_(columns) {
  SetCaption(texts.caption);
  SetSize(9600, 6000);
  lbl_no_ = &AddLabel("lblNo");
  lbl_no_->SetCaption("商品代码：");
  lbl_name_ = &AddLabel("lblName");
  lbl_name_->SetCaption("商品名称：");
  lbl_model_ = &AddLabel("lblModel");
  lbl_model_->SetCaption("规格型号：");
  Label& box_label = AddLabel("Label1");
  box_label.SetCaption(texts.box_label);
  box_label.SetBuddy(texts.box_name);
  box_label.SetLine(kSearchLine);
  box_ = &AddTextBox(texts.box_name);
  box_->SetLine(kSearchLine);
  AddLabel("Label2").SetCaption("（包含）");
  FindControl("Label2").SetLine(kSearchLine);
  CommandButton& query = AddCommandButton("cmdQuery");
  query.SetCaption("查询");
  query.SetLine(kSearchLine);
  check_ = &AddCheckBox("chkShowZero");
  check_->SetCaption(texts.check_caption);
  check_->SetLine(kSearchLine);
  GridControl& grid = AddGrid("Ledger", grid_);
  grid.SetLine(kGridLine);
  grid.SetAccessibleName(texts.grid_name);
  CommandButton& yes = AddCommandButton("cmdYes");
  yes.SetCaption("确定(&O)");
  yes.SetLine(kButtonLine);
  CommandButton& no = AddCommandButton("cmdNo");
  no.SetCaption("关闭(&C)");
  no.SetLine(kButtonLine);

  Load = [this] { OnLoad(); };
  Unload = [this] { OnUnload(); };
  Activate = [this] { Reported([this] { RecomputeIfClosed(); }); };
  check_->Click = [this] {
    if (restoring_check_) return;
    Reported([this] {
      try {
        QueryList();
        RecomputeIfClosed();
      } catch (...) {
        // The list stays as it was, so the box goes back to the state that list was read with.
        if (!loading_ && Visible()) {
          restoring_check_ = true;
          check_->SetValue(check_->Value() != 0 ? 0 : 1);
          restoring_check_ = false;
        }
        throw;
      }
    });
  };
  query.Click = [this] {
    if (!ReadScan()) QueryButton();
  };
  yes.Click = [this] { Reported([this] { Confirm(); }); };
  no.Click = [this] { Cancel(); };
  // Escape anywhere in the dialog closes it as the close button does; Enter in the search box
  // runs the query as the query button does.
  SetKeyPreview(true);
  KeyDown = [this](int16_t& code, int16_t) {
    if (code != kKeyEscape) return;
    code = 0;
    Cancel();
  };
  box_->KeyDown = [this, &query](int16_t& code, int16_t) {
    if (code == kKeyEnter) {
      code = 0;
      query.Click();
      return;
    }
    // The keys that move through the list move the grid's cursor, the caret stays.
    const int32_t rows = grid_->Rows();
    int32_t step = 0;
    if (code == kKeyUp) step = -1;
    if (code == kKeyDown) step = 1;
    if (code == kKeyPageUp) step = -kBoxPageRows;
    if (code == kKeyPageDown) step = kBoxPageRows;
    if (step == 0 || rows < 2) return;
    code = 0;
    const int32_t target = std::clamp(grid_->CursorRow() + step, 2, rows);
    if (target != grid_->CursorRow()) grid_->SetCursorRow(target);
  };
  grid_->RowText = [this](int32_t row, std::string& text) {
    if (row == 1) {
      text = TitleText();
    } else if (list_) {
      text = ListRowText(row);
      if (prices_recomputed_) ApplyRecomputedPrice(text);
    }
  };
  grid_->DblClick = [this] { Reported([this] { ChooseRows(); }); };
  grid_->KeyDown = [this](int16_t& code, int16_t) {
    if (code == kKeyEnter) Reported([this] { Confirm(); });
  };
}

PickerForm::~PickerForm() {
  grid_->RowText = nullptr;
  grid_->DblClick = nullptr;
  grid_->KeyDown = nullptr;
}

void PickerForm::OnLoad() {
  loading_ = true;
  struct EndOfLoad {
    bool& flag;
    ~EndOfLoad() { flag = false; }
  } end_of_load{loading_};
  quantity_digits_ = DigitCount(GetSystemProfile("QuantityDigitCount", "IC", ""));
  price_digits_ = DigitCount(GetSystemProfile("PriceDigitCount", "IC", ""));
  closed_ = IsICClosed();
  BeforeSetUpGrid();
  SetUpGrid();
  QueryList();
  LoadItemHeader();
  check_->SetValue(SavedCheckState(GetUserProfile(kProfileGroup, texts_.check_key)));
  OK = false;
  CreateComponent<Chameleon>(progid::kChameleon)->Apply(grid_);
}

void PickerForm::OnUnload() {
  list_.reset();
  rtn_dict_.reset();
  rtn_vect_.reset();
  // The record is written only when the user changed a width, so that a picker opened and closed
  // leaves what other pickers and programs remember as it was.
  std::vector<float> widths;
  std::vector<bool> chosen;
  bool changed = false;
  for (int32_t col = 1; col <= grid_->Cols(); ++col) {
    widths.push_back(grid_->Column(col).Width());
    const size_t i = static_cast<size_t>(col - 1);
    chosen.push_back(i < set_widths_.size() && widths.back() != set_widths_[i]);
    changed = changed || chosen.back();
  }
  if (changed) WidthRecord::Load().Save(widths, chosen, UnitColumn());
}

void PickerForm::Reported(const std::function<void()>& action, const bool* prices_before) {
  if (loading_ || !Visible()) {
    action();
    return;
  }
  const int32_t cursor = grid_->CursorRow();
  try {
    action();
  } catch (const std::exception& failure) {
    // A read the user stopped needs no word: the dialog goes back to how it was.
    if (!dynamic_cast<const ReadStopped*>(&failure)) {
      MessageBox(failure.what(), MessageIcon::kInformation, TranslateText("Vantrel提示"));
    }
    // Show the list that is still there, as it was.
    try {
      int32_t rows = list_ ? list_->RecordCount() + 1 : 1;
      if (grid_->Rows() != rows) grid_->SetRows(rows);
      if (grid_->CursorRow() != cursor && cursor <= rows) grid_->SetCursorRow(cursor);
      if (prices_before) prices_recomputed_ = *prices_before;
      grid_->Refresh();
    } catch (const std::exception&) {
    }
  }
}

void PickerForm::QueryButton() {
  // SetUpGrid starts a new grid before the query runs: a failure puts back what the list
  // showed, its recomputed unit prices included.
  const bool prices_before = prices_recomputed_;
  Reported(
      [this] {
        SetUpGrid();
        QueryList();
        LoadItemHeader();
        if (QueryButtonRecomputes()) RecomputeIfClosed();
      },
      &prices_before);
}

void PickerForm::Cancel() {
  OK = false;
  Hide();
}

void PickerForm::RecomputeIfClosed() {
  if (closed_) RecomputeUnitPrices();
}

void PickerForm::Confirm() {
  // A check box state that cannot be saved must not keep the user from choosing.
  IgnoreErrors(
      [&] { SaveUserProfile(kProfileGroup, texts_.check_key, std::to_string(check_->Value())); });
  ChooseRows();
}

bool PickerForm::PricesDenied(const std::map<int32_t, int32_t>& codes) const {
  auto security = CreateComponent<SecurityInfo>(progid::kSecurityInfo);
  auto code = codes.find(ClassTypeID);
  if (code == codes.end()) return true;
  return !security
              ->AccessCheck(GetPropsString(), kPriceObjectType, code->second, kPriceRight, false,
                            "")
              .ToBool();
}

void PickerForm::ApplyGridLook(int32_t cols) {
  grid_->SetFlag(kLayoutFlagRowHighlight, true);
  grid_->SetLayoutSetting(kLayoutColor7, Rgb(192, 195, 212));
  grid_->SetCursorSetting(kCursorStyle, 3);
  grid_->SetFlag(kLayoutFlagMultiSelect, multi_select_);
  grid_->SetCursorSetting(kCursorForeColor, Rgb(255, 255, 255));
  grid_->SetCursorSetting(kCursorBackColor, Rgb(7, 59, 131));
  grid_->SetCols(cols);
  grid_->SetLayoutSetting(kLayoutTitleRows, 1);
  grid_->SetRows(1);
  prices_recomputed_ = false;
}

void PickerForm::SetWidths(const std::vector<float>& designed) {
  const WidthRecord record = WidthRecord::Load();
  std::vector<float> widths;
  for (size_t i = 0; i < designed.size(); ++i) {
    const int32_t col = static_cast<int32_t>(i) + 1;
    if (i < set_widths_.size() && grid_->Column(col).Width() != set_widths_[i]) {
      // Set up again (the query button): the width the user dragged stays, still the user's.
      widths.push_back(set_widths_[i]);
      continue;
    }
    widths.push_back(record.Width(col, UnitColumn(), designed[i]));
    grid_->Column(col).SetWidth(widths.back());
  }
  set_widths_ = std::move(widths);
}

void PickerForm::ShowList(RecordsetPtr list) {
  int32_t rows = list->RecordCount() + 1;
  list_ = std::move(list);
  grid_->SetRows(rows);
  prices_recomputed_ = false;
  grid_->Refresh();
}

void PickerForm::AppendPiece(std::string& text, const std::function<std::string()>& piece) {
  IgnoreErrors([&] { text += piece() + "|"; });
}

Variant PickerForm::Field(const std::string& name, const Variant& fallback) const {
  return NullToDefault(list_->Value(name), fallback);
}

std::string PickerForm::UnitPriceText() const {
  const std::string pattern = GroupedPattern(price_digits_);
  const double quantity = Field("FQty", 0).ToDouble();
  if (quantity == 0) return "0";
  return FormatNumber(UnitPrice(quantity, Field("FAmount", 0).ToDouble()), pattern);
}

void PickerForm::MoveToRow(int32_t row) {
  list_->MoveFirst();
  list_->Move(row - 2);
}

void PickerForm::LoadItemHeader() {
  RecordsetPtr item = RunOnClassInfo(ComposeItemHeaderQuery(ItemID));
  if (item->RecordCount() == 0) return;
  item->MoveFirst();
  auto text = [&item](const char* field) { return NullToDefault(item->Value(field), "").ToText(); };
  lbl_no_->SetCaption("商品代码:" + text("FNumber"));
  lbl_name_->SetCaption("商品名称:" + text("FName"));
  lbl_model_->SetCaption("规格型号:" + text("Fmodel"));
}

void PickerForm::RecomputeUnitPrices() {
  prices_recomputed_ = true;
  grid_->Refresh();
}

void PickerForm::ApplyRecomputedPrice(std::string& text) const {
  // The pieces of the row text between its bars, as the grid splits it: column c is piece c - 1.
  std::vector<std::pair<size_t, size_t>> pieces;
  size_t start = 0;
  for (size_t bar; (bar = text.find('|', start)) != std::string::npos; start = bar + 1) {
    pieces.emplace_back(start, bar - start);
  }
  pieces.emplace_back(start, text.size() - start);
  auto piece = [&](int32_t col) {
    const auto [start, length] = pieces[static_cast<size_t>(col - 1)];
    return text.substr(start, length);
  };
  const int32_t last = std::max({columns_.quantity, columns_.amount, columns_.price});
  double quantity = 0;
  if (static_cast<int32_t>(pieces.size()) < last ||
      !ParseNumber(piece(columns_.quantity), quantity)) {
    return;
  }
  if (quantity == 0) return;
  const std::optional<std::string> price =
      RecomputedPriceCell(piece(columns_.quantity), piece(columns_.amount), price_digits_);
  if (!price) return;
  const auto [price_start, price_length] = pieces[static_cast<size_t>(columns_.price - 1)];
  text.replace(price_start, price_length, *price);
}

std::vector<int32_t> PickerForm::ChosenRows() const {
  std::vector<int32_t> rows = grid_->SelectedRows();
  if (rows.size() <= 1) {
    rows.clear();
    if (grid_->CursorRow() > 1) rows.push_back(grid_->CursorRow());
  }
  return rows;
}

void PickerForm::ChooseRows() {
  const std::optional<std::vector<int32_t>> taken = RowsTaken(ChosenRows());
  if (!taken) return;
  if (taken->empty()) {
    OK = false;
    Hide();
    return;
  }
  const std::vector<int32_t>& rows = *taken;
  // Every chosen row's cells are read before the list is filtered: the grid draws its rows
  // from the list, so a filtered list would answer for the next row.
  struct Chosen {
    int32_t row;
    std::string filter;
    double price;
    double amount;
  };
  std::vector<Chosen> chosen;
  for (int32_t row : rows) {
    std::vector<std::string> cells;
    for (int32_t col : ChooseColumns()) cells.push_back(grid_->CellText(row, col));
    chosen.push_back({row, ChooseFilter(cells), CellNumber(grid_->CellText(row, columns_.price)),
                      CellNumber(grid_->CellText(row, columns_.amount))});
  }
  rtn_vect_ = std::make_shared<Vector>();
  for (const Chosen& row : chosen) {
    // Without a filter the list stays on the row's own record, where reading its cells left it.
    if (row.filter.empty()) {
      list_->SetFilter("");
      MoveToRow(row.row);
    } else {
      list_->SetFilter(row.filter);
    }
    rtn_dict_ = RowToDictionary(*list_);
    rtn_dict_->Set("Fprice", row.price);
    rtn_dict_->Set("FAmount", row.amount);
    CompleteChoice(row.row, *rtn_dict_);
    rtn_vect_->Add(rtn_dict_);
  }
  // The whole list again, so the grid still shows what the user chose from.
  list_->SetFilter("");
  OK = true;
  Hide();
}

void PickerForm::SetRequest(const InventoryRequest& request) {
  ClassTypeID = request.class_type;
  Filter = request.text;
  ItemID = request.item_id;
  StockID = request.stock_id;
  AuxID = request.aux_id;
}

void RunPicker(PickerForm& form, bool multi_select, ObjectPtr& result) {
  if (multi_select) form.SetMultiSelect(1);
  form.RunLoad();
  form.ShowModal();
  if (form.OK) {
    if (multi_select) {
      result = form.RtnVect();
    } else {
      result = form.RtnDict();
    }
  }
  form.RunUnload();
}

}  // namespace qmz
