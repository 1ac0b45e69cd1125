#include "picker/width_record.h"

#include "list_services/saved_settings.h"
#include "login/user_profile.h"
#include "platform/number_format.h"

namespace qmz {

namespace {

const char kGroup[] = "BaseList";
const char kWidthsKey[] = "ColWidth";
const char kChosenKey[] = "ColWidthUser";
constexpr int32_t kUnitSlot = 5;

std::vector<std::string> Pieces(const std::string& text) {
  std::vector<std::string> pieces;
  if (text.empty()) return pieces;
  size_t start = 0;
  for (size_t bar; (bar = text.find('|', start)) != std::string::npos; start = bar + 1) {
    pieces.push_back(text.substr(start, bar - start));
  }
  pieces.push_back(text.substr(start));
  return pieces;
}

std::string Joined(const std::vector<std::string>& pieces) {
  std::string text;
  for (size_t i = 0; i < pieces.size(); ++i) text += (i == 0 ? "" : "|") + pieces[i];
  return text;
}

}  // namespace

WidthRecord WidthRecord::Load() {
  WidthRecord record;
  record.slots_ = Pieces(GetUserProfile(kGroup, kWidthsKey));
  for (const std::string& piece : Pieces(GetUserProfile(kGroup, kChosenKey))) {
    double slot = 0;
    if (ParseNumber(piece, slot) && slot >= 0 && slot < 1000) {
      record.chosen_.insert(static_cast<int32_t>(slot));
    }
  }
  return record;
}

int32_t WidthRecord::Slot(int32_t col, int32_t unit_col, bool with_unit) {
  if (unit_col > 0 && col == unit_col) return with_unit ? kUnitSlot : -1;
  const int32_t slot = col - 1 - (unit_col > 0 && col > unit_col ? 1 : 0);
  return with_unit && slot >= kUnitSlot ? slot + 1 : slot;
}

float WidthRecord::Width(int32_t col, int32_t unit_col, float designed) const {
  const int32_t slot = Slot(col, unit_col, WithUnit());
  if (slot < 0 || slot >= static_cast<int32_t>(slots_.size())) return designed;
  const float width = SavedWidth(slots_[static_cast<size_t>(slot)], designed);
  if (width < designed && !chosen_.count(Slot(col, unit_col, true))) return designed;
  return width;
}

void WidthRecord::Save(const std::vector<float>& widths, const std::vector<bool>& chosen,
                       int32_t unit_col) {
  const bool unit_chosen = unit_col > 0 && static_cast<size_t>(unit_col) <= chosen.size() &&
                           chosen[static_cast<size_t>(unit_col - 1)];
  if (!WithUnit() && unit_chosen && slots_.size() > static_cast<size_t>(kUnitSlot)) {
    slots_.insert(slots_.begin() + kUnitSlot, std::string());
  }
  const bool with_unit = WithUnit() || unit_chosen;
  for (size_t i = 0; i < widths.size(); ++i) {
    const int32_t col = static_cast<int32_t>(i) + 1;
    const int32_t slot = Slot(col, unit_col, with_unit);
    if (slot < 0) continue;
    if (static_cast<size_t>(slot) >= slots_.size()) slots_.resize(static_cast<size_t>(slot) + 1);
    slots_[static_cast<size_t>(slot)] = SingleToText(widths[i]);
    if (i < chosen.size() && chosen[i]) chosen_.insert(Slot(col, unit_col, true));
  }
  SaveUserProfile(kGroup, kWidthsKey, Joined(slots_));
  std::vector<std::string> marks;
  for (int32_t slot : chosen_) marks.push_back(std::to_string(slot));
  SaveUserProfile(kGroup, kChosenKey, Joined(marks));
}

}  // namespace qmz
