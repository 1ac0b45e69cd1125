// The batch pickers' expiry marks, their reasons and the note on hidden expired rows
// (frm_stock.h).
#include "batch/frm_stock.h"
#include "platform/ui/ledger.h"

namespace qmz {

namespace {

constexpr int64_t kExpiredColor = 0xCEC7FF;  // 0xBBGGRR: light red
constexpr int64_t kSoonColor = 0x82E0FF;     // amber

}  // namespace

void BatchPickerForm::AddExpiryControls() {
  if (rules_.hide_expired) {
    hidden_note_ = &AddLabel("lblHiddenExpired");
    hidden_note_->SetLine(kSearchLine + 5);  // above the grid
    hidden_note_->SetVisible(false);
  }
  if (rules_.warn_days || Covering()) {
    reason_ = &AddLabel("lblReason");
    reason_->SetLine(kGridLine + 7);  // under the grid and the tally
  }
}

void BatchPickerForm::ShowHiddenNote(size_t hidden) {
  if (!hidden_note_) return;
  hidden_note_->SetCaption(hidden == 0 ? ""
                                       : "已隐藏 " + std::to_string(hidden) +
                                             " 行已过期的库存（有效期至早于单据日期 " +
                                             DayText(rules_.document_date) + "）");
  hidden_note_->SetVisible(hidden > 0);
}

void BatchPickerForm::ColorRow(int32_t row, int64_t& color) {
  if (row - 2 >= static_cast<int32_t>(rows_.size())) return;
  switch (MarkOf(rules_, StockRowAt(row).expiry)) {
    case ExpiryMark::kExpired:
      color = kExpiredColor;
      break;
    case ExpiryMark::kSoon:
      color = kSoonColor;
      break;
    case ExpiryMark::kNone:
      break;
  }
}

void BatchPickerForm::NoteRow(int32_t row, std::string& note) {
  if (row - 2 >= static_cast<int32_t>(rows_.size())) return;
  switch (MarkOf(rules_, StockRowAt(row).expiry)) {
    case ExpiryMark::kExpired:
      note = "已过期";
      break;
    case ExpiryMark::kSoon:
      note = "即将过期";
      break;
    case ExpiryMark::kNone:
      break;
  }
}

std::string BatchPickerForm::ReasonOf(int32_t row) {
  if (!list_ || row < 2 || row - 2 >= static_cast<int32_t>(rows_.size())) return "";
  const StockRow& stock = StockRowAt(row);
  std::string reason = MarkReason(rules_, stock.expiry);
  if (Covering() && stock.expired && !rules_.allow_expired) {
    if (reason.empty()) {
      reason = "已过期：有效期至 " + DayText(*stock.expiry) + "，早于单据日期 " +
               DayText(rules_.document_date);
    }
    reason += "，不取用";
  }
  return reason;
}

void BatchPickerForm::ShowMarkReason() {
  const int32_t row = grid_->MouseRow();
  grid_->SetToolTipText(row <= grid_->Rows() ? ReasonOf(row) : "");
}

void BatchPickerForm::ShowCursorReason() {
  if (reason_) reason_->SetCaption(ReasonOf(grid_->CursorRow()));
}

}  // namespace qmz
