// A required quantity covered in the batch pickers of several rows (frm_stock.h): the rows
// preselected first-expiry-first, the 取用数量 column and box, the tally under the grid.
#include <algorithm>

#include "batch/frm_stock.h"
#include "login/language.h"
#include "picker/picker_format.h"
#include "platform/number_format.h"
#include "platform/text.h"
#include "platform/ui/modal_host.h"
#include "qmz/error.h"

namespace qmz {

namespace {

constexpr float kTakeColumnWidth = 800;  // twips: its caption and a quantity

}  // namespace

void BatchPickerForm::AddCoverControls() {
  if (required_ <= 0) return;
  SetSize(Width() + kTakeColumnWidth + 100, Height());  // room for the 取用数量 column
  tally_ = &AddLabel("lblTally");
  tally_->SetLine(kGridLine + 5);  // under the grid
  Label& caption = AddLabel("lblTakeQty");
  caption.SetCaption("取用数量(&T)：");
  caption.SetBuddy("txtTakeQty");
  caption.SetLine(kGridLine + 5);
  take_box_ = &AddTextBox("txtTakeQty");
  take_box_->SetLine(kGridLine + 5);
  // What the clerk types replaces the quantity shown.
  take_box_->GotFocus = [this] { take_box_->SelectAll(); };
  take_box_->KeyDown = [this](int16_t& code, int16_t) {
    if (code != kKeyEnter) return;
    code = 0;
    try {
      TakeTypedQuantity();
    } catch (const std::exception& failure) {
      MessageBox(failure.what(), MessageIcon::kInformation, TranslateText("Vantrel提示"));
    }
  };
}

std::string BatchPickerForm::WithTakeTitle(std::string title) const {
  return required_ > 0 ? title + "取用数量|" : title;
}

void BatchPickerForm::AddTakeColumn() {
  if (required_ <= 0) return;
  take_column_ = grid_->Cols() + 1;
  grid_->SetCols(take_column_);
  grid_->Column(take_column_).SetWidth(kTakeColumnWidth);
  grid_->Column(take_column_).SetAlignment(kAlignRight);
}

std::string BatchPickerForm::QuantityText(double quantity) const {
  return FormatNumber(quantity, GroupedPattern(QuantityDigits()));
}

std::vector<int32_t> BatchPickerForm::ChosenRows() const {
  std::vector<int32_t> rows = grid_->SelectedRows();
  if (rows.size() <= 1) {
    rows.clear();
    if (grid_->CursorRow() >= 2) rows.push_back(grid_->CursorRow());
  }
  return rows;
}

double BatchPickerForm::Missing() const {
  double chosen = 0;
  for (const auto& [row, take] : takes_) chosen += take;
  return required_ - chosen;
}

void BatchPickerForm::Preselect() {
  takes_.clear();
  std::vector<StockRow> rows = StockRowsOf(*list_, rules_);
  std::vector<int32_t> chosen;
  for (const Allocation::Take& take : Allocate(rows, required_, rules_.allow_expired).takes) {
    chosen.push_back(static_cast<int32_t>(take.row) + 2);
  }
  // Selected in that order, each row takes what is still missing: the allocation.
  if (!chosen.empty()) grid_->SetSelectedRows(chosen);
  FollowSelection();
}

void BatchPickerForm::FollowSelection() {
  if (required_ <= 0 || !list_) return;
  const std::vector<int32_t> rows = ChosenRows();
  std::erase_if(takes_, [&rows](const auto& take) {
    return std::find(rows.begin(), rows.end(), take.first) == rows.end();
  });
  for (int32_t row : rows) {
    if (!takes_.contains(row)) {
      takes_[row] = TakeFor(StockRowAt(row), std::max(0.0, Missing()), rules_.allow_expired);
    }
  }
  grid_->Invalidate();
  ShowTally();
  const auto cursor = takes_.find(grid_->CursorRow());
  take_box_->SetText(cursor == takes_.end() ? "" : DoubleToText(cursor->second));
}

void BatchPickerForm::ShowTally() {
  double chosen = required_ - Missing();
  tally_->SetCaption("需要 " + QuantityText(required_) + " / 已选 " + QuantityText(chosen) +
                     " / 尚缺 " + QuantityText(std::max(0.0, Missing())));
}

void BatchPickerForm::TakeTypedQuantity() {
  const int32_t row = grid_->CursorRow();
  if (!list_ || row < 2) return;
  const std::string typed = Trim(take_box_->Text());
  double quantity = 0;
  if (!ParseNumber(typed, quantity) || quantity < 0) {
    throw Error("The quantity to take, " + typed + ", is not a number from 0");
  }
  const StockRow stock = StockRowAt(row);
  if (quantity > stock.quantity) {
    throw Error("Batch " + stock.batch + " holds " + QuantityText(stock.quantity) +
                ", less than the " + typed + " to take");
  }
  if (quantity > 0 && stock.expired && !rules_.allow_expired) {
    throw Error("Batch " + stock.batch + " expired on " + DayText(*stock.expiry) +
                " and is not taken unless the host allows expired stock (AllowExpired)");
  }
  takes_[row] = quantity;
  std::vector<int32_t> rows = ChosenRows();
  if (std::find(rows.begin(), rows.end(), row) == rows.end()) {
    rows.push_back(row);
    grid_->SetSelectedRows(rows);
  }
  FollowSelection();
  take_box_->SelectAll();
  grid_->Redraw();
}

std::vector<int32_t> BatchPickerForm::RowsTaken(std::vector<int32_t> rows) {
  if (required_ <= 0) return rows;
  FollowSelection();
  std::erase_if(rows, [this](int32_t row) {
    const auto take = takes_.find(row);
    return take == takes_.end() || take->second <= 0;
  });
  if (rows.empty()) {
    throw Error("The chosen rows take nothing of the " + QuantityText(required_) + " required");
  }
  return rows;
}

void BatchPickerForm::CompleteChoice(int32_t row, Dictionary& chosen) {
  if (required_ > 0) chosen.Set("FTakeQty", takes_[row]);
}

}  // namespace qmz
