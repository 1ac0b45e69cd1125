// Input helpers of the Qt host: positions between the form's UTF-8 texts and Qt's UTF-16
// line edits, which keys a line edit handles itself, and the grid selection a modified click
// makes. Pure functions on the user-interface thread.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <QKeyEvent>
#include <QLineEdit>
#include <QString>

namespace qmz {

class Ledger;
class TextBox;

namespace qt_input {

// Positions: the form counts bytes of UTF-8, a QLineEdit UTF-16 units.
int Utf16Offset(const std::string& text, size_t bytes);
size_t Utf8Offset(const QString& text, int position);
// A line edit's selection as (start, length); the caret when nothing is selected.
std::pair<int, int> EditSelection(const QLineEdit& edit);
// Whether a key event's text types something.
bool IsTyped(const QString& text);
// Keys a text box handles itself once the form has seen them: they move the caret or copy and
// never change the text.
bool IsCaretKey(const QKeyEvent& event);
// The Delete key in a text box: removes the selection, or the character after the caret.
void DeleteForward(TextBox& box);
// The selection after a Shift-click in a multi-row grid: the rows from the cursor to the row,
// so that the cursor ends on it.
std::vector<int32_t> RangeSelection(const Ledger& grid, int32_t row);

}  // namespace qt_input
}  // namespace qmz
