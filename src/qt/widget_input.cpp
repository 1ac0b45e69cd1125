#include "qt/widget_input.h"

#include <algorithm>

#include "platform/ui/controls.h"
#include "platform/ui/ledger.h"
#include "platform/utf8.h"

namespace qmz::qt_input {

// Positions: the form counts bytes of UTF-8, a QLineEdit UTF-16 units.
int Utf16Offset(const std::string& text, size_t bytes) {
  return static_cast<int>(
      QString::fromUtf8(text.data(), static_cast<qsizetype>(std::min(bytes, text.size()))).size());
}

size_t Utf8Offset(const QString& text, int position) {
  return static_cast<size_t>(text.left(position).toUtf8().size());
}

// A line edit's selection as (start, length); the caret when nothing is selected.
std::pair<int, int> EditSelection(const QLineEdit& edit) {
  if (edit.hasSelectedText()) return {edit.selectionStart(), edit.selectionLength()};
  return {edit.cursorPosition(), 0};
}

bool IsTyped(const QString& text) {
  return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
    return c.unicode() >= 0x20 && c.unicode() != 0x7f;
  });
}

// Keys a text box handles itself once the form has seen them: they move the caret or copy and
// never change the text.
bool IsCaretKey(const QKeyEvent& event) {
  static constexpr QKeySequence::StandardKey kKeys[] = {
      QKeySequence::MoveToNextChar,
      QKeySequence::MoveToPreviousChar,
      QKeySequence::MoveToNextWord,
      QKeySequence::MoveToPreviousWord,
      QKeySequence::MoveToStartOfLine,
      QKeySequence::MoveToEndOfLine,
      QKeySequence::MoveToStartOfDocument,
      QKeySequence::MoveToEndOfDocument,
      QKeySequence::SelectNextChar,
      QKeySequence::SelectPreviousChar,
      QKeySequence::SelectNextWord,
      QKeySequence::SelectPreviousWord,
      QKeySequence::SelectStartOfLine,
      QKeySequence::SelectEndOfLine,
      QKeySequence::SelectStartOfDocument,
      QKeySequence::SelectEndOfDocument,
      QKeySequence::SelectAll,
      QKeySequence::Copy,
  };
  return std::any_of(std::begin(kKeys), std::end(kKeys),
                     [&](QKeySequence::StandardKey key) { return event.matches(key); });
}

// The Delete key in a text box: removes the selection, or the character after the caret.
void DeleteForward(TextBox& box) {
  const std::string& text = box.Text();
  const size_t start = box.SelStart();
  size_t length = box.SelLength();
  if (length == 0) {
    if (start >= text.size()) return;
    length = CharacterLength(text, start);
  }
  box.SetSelection(start, length);
  box.InsertAtCaret("");
}

// The selection after a Ctrl-click (the row toggled) or a Shift-click (the rows from the cursor
// to the row, so that the cursor ends on it) in a multi-row grid.
std::vector<int32_t> RangeSelection(const Ledger& grid, int32_t row) {
  const int32_t cursor = grid.CursorRow();
  const int32_t anchor = cursor >= 2 ? cursor : row;
  const int32_t step = row >= anchor ? 1 : -1;
  std::vector<int32_t> rows;
  for (int32_t r = anchor; r != row + step; r += step) rows.push_back(r);
  return rows;
}

}  // namespace qmz::qt_input
