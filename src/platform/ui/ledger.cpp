#include "platform/ui/ledger.h"

#include <algorithm>
#include <cmath>

#include "qmz/error.h"

namespace qmz {
namespace {

void CheckFlagBit(int32_t n) {
  if (n <= 0 || (n & (n - 1)) != 0) {
    throw Error("Ledger flag " + std::to_string(n) + " is not a single bit");
  }
}

// Sets or clears bit n of `flags`; whether that changed them.
bool UpdateFlag(uint32_t& flags, int32_t n, bool on) {
  CheckFlagBit(n);
  const uint32_t bit = static_cast<uint32_t>(n);
  const uint32_t updated = on ? flags | bit : flags & ~bit;
  if (updated == flags) return false;
  flags = updated;
  return true;
}

// Stores a numbered setting; whether it changed (a first write always counts as a change).
bool UpdateSetting(std::map<int32_t, int64_t>& settings, int32_t id, int64_t value) {
  auto [it, inserted] = settings.try_emplace(id, value);
  if (!inserted && it->second == value) return false;
  it->second = value;
  return true;
}

void CheckTwips(float twips) {
  if (!std::isfinite(twips) || twips < 0) throw Error("Invalid property value");
}

// Piece `col` (1-based) of a text split at "|"; empty past the last piece.
std::string Piece(const std::string& text, int32_t col) {
  size_t start = 0;
  for (int32_t i = 1; i < col; ++i) {
    size_t bar = text.find('|', start);
    if (bar == std::string::npos) return {};
    start = bar + 1;
  }
  size_t end = text.find('|', start);
  return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

}  // namespace

void LedgerColumn::SetWidth(float twips) {
  CheckTwips(twips);
  if (twips == width_) return;
  width_ = twips;
  grid_->Changed(LedgerChange::kColumn);
}

void LedgerColumn::SetAlignment(int16_t alignment) {
  if (alignment == alignment_) return;
  alignment_ = alignment;
  grid_->Changed(LedgerChange::kColumn);
}

bool LedgerColumn::Flag(int32_t n) const {
  CheckFlagBit(n);
  return (flags_ & static_cast<uint32_t>(n)) != 0;
}

void LedgerColumn::SetFlag(int32_t n, bool on) {
  if (UpdateFlag(flags_, n, on)) grid_->Changed(LedgerChange::kColumn);
}

std::string LedgerCell::Text() const {
  return grid_->CellText(row_, col_);
}
Variant LedgerCell::Value() const {
  return grid_->CellValue(row_, col_);
}
void LedgerCell::SetValue(Variant value) const {
  grid_->SetCellValue(row_, col_, std::move(value));
}

Ledger::Ledger() = default;
Ledger::~Ledger() = default;

void Ledger::Changed(LedgerChange change) const {
  if (listener_) listener_(change);
}

template <class Handler, class... Args>
void Ledger::Raise(const Handler& handler, Args&&... args) {
  Invalidate();
  if (!handler) return;
  handler(std::forward<Args>(args)...);
  Invalidate();  // the handler may have changed the owner's data
  Changed(LedgerChange::kEventHandled);
}

void Ledger::RaiseClick() {
  Raise(Click);
}
void Ledger::RaiseDblClick() {
  Raise(DblClick);
}
void Ledger::RaiseKeyDown(int16_t& key_code, int16_t shift) {
  Raise(KeyDown, key_code, shift);
}
void Ledger::RaiseKeyPress(int16_t& key_ascii) {
  Raise(KeyPress, key_ascii);
}
void Ledger::RaiseMouseMove() {
  Raise(MouseMove);
}

void Ledger::CheckRow(int32_t row) const {
  if (row < 1 || row > rows_) {
    throw Error("Ledger row " + std::to_string(row) + " is outside the grid (1 to " +
                std::to_string(rows_) + ")");
  }
}

void Ledger::CheckCell(int32_t row, int32_t col) const {
  CheckRow(row);
  if (col < 1 || col > Cols()) {
    throw Error("Ledger column " + std::to_string(col) + " is outside the grid (1 to " +
                std::to_string(Cols()) + ")");
  }
}

void Ledger::SetRows(int32_t rows) {
  if (rows < 1) throw Error("Ledger row count " + std::to_string(rows) + " is below 1");
  rows_ = rows;
  values_.clear();
  selected_.clear();
  cursor_row_ = rows >= 2 ? 2 : 1;
  Invalidate();
  Changed(LedgerChange::kRows);
}

void Ledger::SetCols(int32_t cols) {
  if (cols < 0 || cols > kMaxCols) {
    throw Error("Ledger column count " + std::to_string(cols) + " is outside 0 to " +
                std::to_string(kMaxCols));
  }
  if (cols < Cols()) {
    columns_.resize(cols);
    std::erase_if(values_, [cols](const auto& entry) { return entry.first.second > cols; });
  }
  while (Cols() < cols) columns_.push_back(std::unique_ptr<LedgerColumn>(new LedgerColumn(this)));
  Invalidate();
  Changed(LedgerChange::kCols);
}

int64_t Ledger::LayoutSetting(int32_t id) const {
  auto it = layout_settings_.find(id);
  return it == layout_settings_.end() ? 0 : it->second;
}

void Ledger::SetLayoutSetting(int32_t id, int64_t value) {
  if (UpdateSetting(layout_settings_, id, value)) Changed(LedgerChange::kLook);
}

bool Ledger::Flag(int32_t n) const {
  CheckFlagBit(n);
  return (flags_ & static_cast<uint32_t>(n)) != 0;
}

void Ledger::SetFlag(int32_t n, bool on) {
  if (!UpdateFlag(flags_, n, on)) return;
  Changed(LedgerChange::kLook);
  if (n == kLayoutFlagMultiSelect && !on && !selected_.empty()) {
    selected_.clear();
    Changed(LedgerChange::kSelection);
  }
}

void Ledger::SetMouse(int32_t row, int32_t col) {
  mouse_row_ = row;
  mouse_col_ = col;
}

void Ledger::Refresh() {
  ++refresh_count_;
  Invalidate();
  Changed(LedgerChange::kRedraw);
}

void Ledger::ForceRefresh() {
  ++force_refresh_count_;
  Invalidate();
  Changed(LedgerChange::kRedraw);
}

void Ledger::Redraw() {
  ++redraw_count_;
  Invalidate();
  Changed(LedgerChange::kRedraw);
}

void Ledger::MoveCursor(int32_t row) {
  int32_t previous = cursor_row_;
  cursor_row_ = row;
  Invalidate();
  Changed(LedgerChange::kCursor);
  Raise(Notify, 0, std::string("SelChanged"), Variant(previous), Variant(row));
}

void Ledger::SetCursorRow(int32_t row) {
  CheckRow(row);
  if (MultiSelect() && !cursor_apart_) {
    selected_.assign(1, row);
    Changed(LedgerChange::kSelection);
  }
  MoveCursor(row);
}

int64_t Ledger::CursorSetting(int32_t id) const {
  auto it = cursor_settings_.find(id);
  return it == cursor_settings_.end() ? 0 : it->second;
}

void Ledger::SetCursorSetting(int32_t id, int64_t value) {
  if (UpdateSetting(cursor_settings_, id, value)) Changed(LedgerChange::kLook);
}

std::vector<int32_t> Ledger::SelectedRows() const {
  return MultiSelect() ? selected_ : std::vector<int32_t>();
}

void Ledger::SetSelectedRows(const std::vector<int32_t>& rows) {
  if (!MultiSelect()) throw Error("The grid allows one selected row only");
  std::vector<int32_t> selection;
  for (int32_t row : rows) {
    if (row < 2 || row > rows_) {
      throw Error("Ledger row " + std::to_string(row) + " cannot be selected (2 to " +
                  std::to_string(rows_) + ")");
    }
    if (std::find(selection.begin(), selection.end(), row) == selection.end()) {
      selection.push_back(row);
    }
  }
  selected_ = std::move(selection);
  Changed(LedgerChange::kSelection);
  if (!selected_.empty()) MoveCursor(selected_.back());
}

void Ledger::ToggleSelected(int32_t row) {
  if (!MultiSelect()) throw Error("The grid allows one selected row only");
  if (row < 2 || row > rows_) {
    throw Error("Ledger row " + std::to_string(row) + " cannot be selected (2 to " +
                std::to_string(rows_) + ")");
  }
  if (selected_.empty() && !cursor_apart_ && cursor_row_ >= 2) selected_.push_back(cursor_row_);
  const auto hit = std::find(selected_.begin(), selected_.end(), row);
  if (hit != selected_.end()) {
    selected_.erase(hit);
  } else {
    selected_.push_back(row);
  }
  Changed(LedgerChange::kSelection);
  MoveCursor(row);
}

void Ledger::SetViewOrder(std::vector<int32_t> cols) {
  if (cols == view_order_) return;
  view_order_ = std::move(cols);
  Changed(LedgerChange::kCols);
}

void Ledger::SetCursorApart(bool apart) {
  if (apart == cursor_apart_) return;
  cursor_apart_ = apart;
  Changed(LedgerChange::kLook);
}

LedgerColumn& Ledger::Column(int32_t col) {
  CheckCell(1, col);
  return *columns_[col - 1];
}

const LedgerColumn& Ledger::Column(int32_t col) const {
  CheckCell(1, col);
  return *columns_[col - 1];
}

LedgerCell Ledger::Cell(int32_t row, int32_t col) {
  CheckCell(row, col);
  return LedgerCell(this, row, col);
}

std::string Ledger::CellText(int32_t row, int32_t col) {
  CheckCell(row, col);
  auto it = values_.find({row, col});
  if (it == values_.end()) return Piece(RowTextOf(row), col);
  const Variant& value = it->second;
  return value.IsNull() ? std::string() : value.ToText();
}

Variant Ledger::CellValue(int32_t row, int32_t col) {
  CheckCell(row, col);
  auto it = values_.find({row, col});
  return it == values_.end() ? Variant(CellText(row, col)) : it->second;
}

void Ledger::SetCellValue(int32_t row, int32_t col, Variant value) {
  CheckCell(row, col);
  values_[{row, col}] = std::move(value);
  Changed(LedgerChange::kCellValue);
}

void Ledger::RestoreCellValues(CellValueMap values) {
  std::erase_if(values, [this](const auto& entry) {
    const auto [row, col] = entry.first;
    return row < 1 || row > rows_ || col < 1 || col > Cols();
  });
  values_ = std::move(values);
  Invalidate();
  Changed(LedgerChange::kCellValue);
}

bool Ledger::HasCellValue(int32_t row, int32_t col) const {
  return values_.count({row, col}) != 0;
}

int64_t Ledger::RowColorOf(int32_t row) {
  CheckRow(row);
  int64_t color = -1;
  if (row >= 2 && RowColor) RowColor(row, color);
  return color;
}

std::string Ledger::RowNoteOf(int32_t row) {
  CheckRow(row);
  std::string note;
  if (row >= 2 && RowNote) RowNote(row, note);
  return note;
}

std::string Ledger::RowTextOf(int32_t row) {
  CheckRow(row);
  if (!in_row_text_ && row == cached_row_) return cached_text_;
  std::string text;
  if (!RowText) return text;
  if (in_row_text_) {
    RowText(row, text);
    return text;
  }
  uint64_t generation = cache_generation_;
  in_row_text_ = true;
  try {
    RowText(row, text);
  } catch (...) {
    in_row_text_ = false;
    throw;
  }
  in_row_text_ = false;
  if (generation == cache_generation_) {
    cached_row_ = row;
    cached_text_ = text;
  }
  return text;
}

std::string Ledger::DumpGrid() {
  std::string out;
  for (int32_t row = 1; row <= rows_; ++row) {
    for (int32_t col = 1; col <= Cols(); ++col) {
      out += CellText(row, col);
      out += '|';
    }
    out += '\n';
  }
  return out;
}

void Ledger::SetHostWidth(float twips) {
  CheckTwips(twips);
  if (twips == host_width_) return;
  host_width_ = twips;
  Changed(LedgerChange::kHostWidth);
}

void Ledger::SetToolTipText(std::string text) {
  if (text == tool_tip_) return;
  tool_tip_ = std::move(text);
  Changed(LedgerChange::kToolTip);
}

}  // namespace qmz
