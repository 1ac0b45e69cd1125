// A required quantity covered in the batch pickers of several rows (frm_stock.h): the rows
// preselected first-expiry-first, the 取用数量 column and box, the tally under the grid, the
// question before a choice short of or over the quantity.
#include <algorithm>

#include "batch/frm_stock.h"
#include "login/language.h"
#include "picker/picker_format.h"
#include "platform/text.h"
#include "platform/ui/modal_host.h"
#include "qmz/error.h"

namespace qmz {

namespace {

constexpr float kTakeColumnWidth = 1000;  // twips: its caption and a quantity

std::string Title() {
  return TranslateText("Vantrel提示");
}

}  // namespace

void BatchPickerForm::AddCoverControls() {
  if (!Covering()) return;
  grid_->SetCursorApart(true);
  SetSize(Width() + kTakeColumnWidth + 100, Height());  // room for the 取用数量 column
  tally_ = &AddLabel("lblTally");
  tally_->SetLine(kGridLine + 5);  // under the grid
  take_caption_ = &AddLabel("lblTakeQty");
  take_caption_->SetCaption("取用数量(&T)：");
  take_caption_->SetBuddy("txtTakeQty");
  take_caption_->SetLine(kGridLine + 5);
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
      MessageBox(failure.what(), MessageIcon::kInformation, Title());
      take_box_->SelectAll();
    }
  };
}

std::string BatchPickerForm::WithTakeTitle(std::string title) const {
  return Covering() ? title + "取用数量|" : title;
}

void BatchPickerForm::AddTakeColumn() {
  if (!Covering()) return;
  take_column_ = grid_->Cols() + 1;
  grid_->SetCols(take_column_);
  // Shown beside the quantity it takes from, where a small screen still shows it.
  grid_->SetViewOrder({1, 2, 3, 4, 5, take_column_});
  grid_->Column(take_column_).SetWidth(kTakeColumnWidth);
  grid_->Column(take_column_).SetAlignment(kAlignRight);
}

std::string BatchPickerForm::QuantityText(Decimal quantity) const {
  return quantity.Format(QuantityDigits());
}

const Decimal* BatchPickerForm::TakeOf(const std::string& key) const {
  for (const auto& [taken, quantity] : takes_) {
    if (taken == key) return &quantity;
  }
  return nullptr;
}

std::vector<int32_t> BatchPickerForm::ChosenRows() const {
  // Covering, the cursor moves apart: the choice is the selection, however few rows it holds.
  return Covering() ? grid_->SelectedRows() : PickerForm::ChosenRows();
}

Decimal BatchPickerForm::Chosen() const {
  Decimal chosen;
  for (const auto& [key, take] : takes_) chosen += take;
  return chosen;
}

void BatchPickerForm::KeepCover() {
  std::vector<int32_t> rows;
  if (!preselected_) {
    preselected_ = true;
    takes_.clear();
    for (const Allocation::Take& take : Allocate(rows_, *required_, rules_.allow_expired).takes) {
      const int32_t row = static_cast<int32_t>(take.row) + 2;
      takes_.emplace_back(KeyAt(row), take.quantity);
      rows.push_back(row);
    }
  } else {
    // The rows chosen before, where the list still shows them, in the order they were taken.
    std::erase_if(takes_, [&](const auto& take) {
      const auto at = std::find(keys_.begin(), keys_.end(), take.first);
      if (at == keys_.end()) return true;
      rows.push_back(static_cast<int32_t>(at - keys_.begin()) + 2);
      return false;
    });
  }
  if (!rows.empty()) grid_->SetSelectedRows(rows);
  FollowSelection();
}

void BatchPickerForm::FollowSelection() {
  if (!Covering() || !list_) return;
  const std::vector<int32_t> rows = ChosenRows();
  std::vector<std::string> chosen;
  for (int32_t row : rows) chosen.push_back(KeyAt(row));
  std::erase_if(takes_, [&chosen](const auto& take) {
    return std::find(chosen.begin(), chosen.end(), take.first) == chosen.end();
  });
  for (int32_t row : rows) {
    if (TakeOf(KeyAt(row))) continue;
    const Decimal missing = std::max(Decimal(), *required_ - Chosen());
    takes_.emplace_back(KeyAt(row), TakeFor(StockRowAt(row), missing, rules_.allow_expired));
  }
  grid_->Invalidate();
  grid_->Redraw();
  ShowTally();
  ShowTakeRow();
}

void BatchPickerForm::ShowTally() {
  const Decimal chosen = Chosen();
  const Decimal& required = *required_;
  tally_->SetCaption("需要 " + QuantityText(required) + " / 已选 " + QuantityText(chosen) +
                     (chosen > required ? " / 超出 " + QuantityText(chosen - required)
                                        : " / 尚缺 " + QuantityText(required - chosen)));
}

void BatchPickerForm::ShowTakeRow() {
  const int32_t row = grid_->CursorRow();
  const bool on_row = list_ && row >= 2;
  const std::string caption = on_row ? "取用数量(&T)，" + RowName(row) + "：" : "取用数量(&T)：";
  take_caption_->SetCaption(caption);
  // A screen reader keeps the box's name until told: it follows the caption.
  take_box_->SetAccessibleName(CaptionWithoutAccessMark(caption));
  take_box_->SetText(on_row ? TakeTextOf(row) : "");
}

std::string BatchPickerForm::TakeTextOf(int32_t row) const {
  const Decimal* take = TakeOf(KeyAt(row));
  return take ? take->ToText() : "";
}

void BatchPickerForm::TakeTypedQuantity() {
  const int32_t row = grid_->CursorRow();
  if (!list_ || row < 2) return;
  const std::string typed = Trim(take_box_->Text());
  const std::optional<Decimal> quantity = Decimal::Parse(typed);
  if (!quantity) throw Error("取用数量“" + typed + "”不是数字");
  if (quantity->IsNegative()) throw Error("取用数量不能小于 0");
  const StockRow& stock = StockRowAt(row);
  if (*quantity > stock.quantity) {
    throw Error("批号 " + RowName(row) + "只有 " + QuantityText(stock.quantity) + "，不够取用 " +
                QuantityText(*quantity));
  }
  if (!quantity->IsZero() && stock.expired && !rules_.allow_expired) {
    throw Error("批号 " + RowName(row) + "已于 " + DayText(*stock.expiry) + " 过期，不能取用");
  }
  std::vector<int32_t> rows = ChosenRows();
  const bool chosen = std::find(rows.begin(), rows.end(), row) != rows.end();
  std::erase_if(takes_, [&](const auto& take) { return take.first == KeyAt(row); });
  if (quantity->IsZero()) {
    // Nothing to take: the row leaves the choice.
    if (chosen) grid_->ToggleSelected(row);
  } else {
    takes_.emplace_back(KeyAt(row), *quantity);
    if (!chosen) grid_->ToggleSelected(row);
  }
  FollowSelection();
  take_box_->SelectAll();
}

void BatchPickerForm::AddToCover(int32_t row) {
  std::vector<int32_t> rows = ChosenRows();
  if (std::find(rows.begin(), rows.end(), row) != rows.end()) {
    grid_->SetCursorRow(row);
    return;
  }
  const StockRow& stock = StockRowAt(row);
  if (stock.expired && !rules_.allow_expired) {
    grid_->SetCursorRow(row);
    throw Error("批号 " + RowName(row) + "已于 " + DayText(*stock.expiry) + " 过期，不能取用");
  }
  grid_->ToggleSelected(row);
}

std::optional<std::vector<int32_t>> BatchPickerForm::RowsTaken(std::vector<int32_t> rows) {
  if (!Covering()) return rows;
  // A quantity typed into the box but not entered is the clerk's last word on the cursor row
  // (the box always shows the cursor row's): confirming takes it as Enter would, refusals
  // included, rather than put the row's former quantity back in its place.
  const int32_t cursor = grid_->CursorRow();
  const std::string typed = Trim(take_box_->Text());
  if (list_ && cursor >= 2 && !typed.empty() && typed != TakeTextOf(cursor)) {
    TakeTypedQuantity();
    rows = ChosenRows();
  }
  FollowSelection();
  std::erase_if(rows, [this](int32_t row) {
    const Decimal* take = TakeOf(KeyAt(row));
    return !take || take->IsZero();
  });
  const Decimal chosen = Chosen();
  const Decimal& required = *required_;
  if (rows.empty()) {
    throw Error("选中的行没有取用任何数量（需要 " + QuantityText(required) + "）");
  }
  if (chosen != required) {
    const std::string question =
        chosen < required ? "已选 " + QuantityText(chosen) + "，比需要的 " +
                                QuantityText(required) + " 少 " + QuantityText(required - chosen)
                          : "已选 " + QuantityText(chosen) + "，比需要的 " +
                                QuantityText(required) + " 多 " + QuantityText(chosen - required);
    if (!AskYesNo(question + "。仍然确定吗？", Title())) return std::nullopt;
  }
  return rows;
}

void BatchPickerForm::CompleteChoice(int32_t row, Dictionary& chosen) {
  if (!Covering()) return;
  const Decimal* take = TakeOf(KeyAt(row));
  chosen.Set("FTakeQty", take ? take->ToDouble() : 0.0);
}

}  // namespace qmz
