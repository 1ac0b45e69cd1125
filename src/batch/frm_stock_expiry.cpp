// The batch pickers' expiry marks, their tool tips and the hidden expired rows (frm_stock.h).
#include "batch/frm_stock.h"
#include "platform/ui/ledger.h"

namespace qmz {

namespace {

constexpr int64_t kExpiredColor = 0xCEC7FF;  // 0xBBGGRR: light red
constexpr int64_t kSoonColor = 0x82E0FF;     // amber

}  // namespace

void BatchPickerForm::AddExpiryControls() {
  if (!rules_.hide_expired) return;
  hidden_note_ = &AddLabel("lblHiddenExpired");
  hidden_note_->SetLine(kSearchLine + 5);  // above the grid
}

RecordsetPtr BatchPickerForm::Shown(RecordsetPtr list) {
  if (!rules_.hide_expired) return list;
  std::vector<std::string> fields;
  for (int32_t i = 0; i < list->FieldCount(); ++i) fields.push_back(list->FieldName(i));
  auto kept = std::make_shared<Recordset>(fields);
  kept->SetSource(list->Source());
  kept->SetConnected(list->Connected());
  int32_t hidden = 0;
  int32_t position = 1;
  for (list->MoveFirst(); !list->Eof(); list->MoveNext(), ++position) {
    if (CurrentStockRow(*list, rules_).expired) {
      ++hidden;
    } else {
      kept->AddRecord(list->RecordValues(position));
    }
  }
  hidden_note_->SetCaption("已隐藏 " + std::to_string(hidden) +
                           " 个过期批次（有效期至早于单据日期 " + DayText(rules_.document_date) +
                           "）");
  return kept;
}

StockRow BatchPickerForm::StockRowAt(int32_t row) {
  MoveToRow(row);
  return CurrentStockRow(*list_, rules_);
}

void BatchPickerForm::ColorRow(int32_t row, int64_t& color) {
  if (!rules_.warn_days || !list_) return;
  try {
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
  } catch (const std::exception&) {
    // A row that cannot be read shows unmarked, as its text shows what could be read.
  }
}

void BatchPickerForm::ShowMarkReason() {
  if (!rules_.warn_days) return;
  const int32_t row = grid_->MouseRow();
  std::string reason;
  if (list_ && row >= 2 && row <= grid_->Rows())
    reason = MarkReason(rules_, StockRowAt(row).expiry);
  grid_->SetToolTipText(reason);
}

}  // namespace qmz
