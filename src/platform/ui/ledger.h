// Ledger: the grid model behind every list of the dialogs. A plain presentation object; a view
// (the Qt table, the scripted host) draws it and feeds the user's actions back into it.
//
// Data. The grid holds no data. Rows and columns count from 1; row 1 is the title row. The text
// of a row comes from the owning form through the RowText event; the Text of cell (r, c) is
// piece c of that text split at "|" (an empty text past the last piece), unless a Value was
// written into the cell, which then shows instead. The Value of a cell without a written value
// is its Text.
//
// Row texts are pulled, never pushed: the grid asks for a row's text only when one of its cells
// (or the whole row) is read, and keeps the last text asked for in a one-row cache. The owner's
// data may change between reads, so the cache is dropped by every write of Rows or Cols, every
// cursor move, every redraw request (Refresh, ForceRefresh, Redraw), Invalidate(), and before
// every event raised to the owner. An owner that changes its data inside one handler and then
// reads cells again calls Invalidate() (or a redraw) in between.
//
// A Rows write starts a new list: written cell values and the selection list are dropped, and
// the cursor stands on row 2 (row 1 when there is no data row). It raises no event. A Cols write
// keeps the settings of the remaining columns and the values written into them; new columns get
// the default width, left alignment and no flags.
//
// Cursor. Writing the cursor row moves the selection and raises Notify(0, "SelChanged", previous
// row, new row) at once, before the write returns, as the control did; the owner's handler may
// read and write the grid. With multi-row selection on (Layout Flag(512)), a cursor write makes
// the selection list that one row. SelectedRows() is empty without multi-row selection.
//
// Errors (qmz::Error): a row or column outside the grid (Column(0), Cell(Rows + 1, 1), a cursor
// row outside 1..Rows), Rows below 1, Cols outside 0..kMaxCols, a flag that is not a single bit,
// a selection of rows outside 2..Rows or without multi-row selection. Errors of the owner's
// handlers pass through unchanged. A failed write changes nothing.
//
// Ownership and threading. The owning form keeps the Ledger (usually through a shared pointer,
// since the skin component receives it as an Object) and sets the event slots; the handlers
// must not outlive what they capture. References from Column(i) stay valid while that column
// exists. Not thread-safe: the user-interface thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "qmz/variant.h"

namespace qmz {

class Ledger;

// What changed, for a view that mirrors the grid.
enum class LedgerChange {
  kRows,          // row count (values, selection and cursor were reset with it)
  kCols,          // column count
  kColumn,        // a column's width, alignment or flag
  kCursor,        // cursor row
  kSelection,     // selection list
  kCellValue,     // a value written into a cell
  kRedraw,        // Refresh (method 15), ForceRefresh or Redraw: pull the visible rows again
  kLook,          // a Layout or Cursor setting, a Layout flag
  kHostWidth,     // the host window's width
  kToolTip,       // the tool-tip text
  kEventHandled,  // the owner handled an event and may have changed its data
};

// Numbered settings of the Layout and Cursor sub-objects that the forms write. Colours are
// 0xBBGGRR; how a view uses them is the view's own choice.
inline constexpr int32_t kLayoutTitleRows = 3;
inline constexpr int32_t kLayoutColor7 = 7;
inline constexpr int32_t kLayoutColor8 = 8;
inline constexpr int32_t kCursorStyle = 1;
inline constexpr int32_t kCursorBackColor = 2;
inline constexpr int32_t kCursorForeColor = 3;
// Layout flags: 16 whole-row highlight, 512 multi-row selection. Column flag 16 hides it.
inline constexpr int32_t kLayoutFlagRowHighlight = 16;
inline constexpr int32_t kLayoutFlagMultiSelect = 512;
inline constexpr int32_t kColumnFlagHidden = 16;
inline constexpr int16_t kAlignLeft = 0;
inline constexpr int16_t kAlignRight = 1;

class LedgerColumn {
 public:
  static constexpr float kDefaultWidth = 1000;  // twips

  float Width() const { return width_; }
  void SetWidth(float twips);
  int16_t Alignment() const { return alignment_; }
  void SetAlignment(int16_t alignment);
  // Flag(n): n a single bit; Flag(16) is the hidden flag.
  bool Flag(int32_t n) const;
  void SetFlag(int32_t n, bool on);
  bool Hidden() const { return Flag(kColumnFlagHidden); }

 private:
  friend class Ledger;
  explicit LedgerColumn(Ledger* grid) : grid_(grid) {}

  Ledger* grid_;
  float width_ = kDefaultWidth;
  int16_t alignment_ = kAlignLeft;
  uint32_t flags_ = 0;
};

// A cell as the forms address it: Cell(row, col).Text(), .Value(), .SetValue(v). A light
// handle; each call checks the position against the grid as it is then.
class LedgerCell {
 public:
  std::string Text() const;
  Variant Value() const;
  void SetValue(Variant value) const;

 private:
  friend class Ledger;
  LedgerCell(Ledger* grid, int32_t row, int32_t col) : grid_(grid), row_(row), col_(col) {}

  Ledger* grid_;
  int32_t row_;
  int32_t col_;
};

class Ledger : public Object {
 public:
  static constexpr int32_t kMaxCols = 1024;
  static constexpr float kDefaultHostWidth = 9600;  // twips (640 pixels)

  Ledger();
  ~Ledger() override;
  Ledger(const Ledger&) = delete;
  Ledger& operator=(const Ledger&) = delete;

  // Events the owning form handles (empty slots are skipped).
  std::function<void(int32_t row, std::string& text)> RowText;
  std::function<void()> Click;
  std::function<void()> DblClick;
  std::function<void(int16_t& key_code, int16_t shift)> KeyDown;
  std::function<void(int16_t& key_ascii)> KeyPress;
  std::function<void()> MouseMove;
  std::function<void(int32_t code, const std::string& name, const Variant& p1, const Variant& p2)>
      Notify;
  // The background colour (0xBBGGRR) of a data row, or -1 (as passed) for the grid's own. Asked
  // as the row is drawn, like RowText, and never raised as an event.
  std::function<void(int32_t row, int64_t& color)> RowColor;
  // What a data row's colour means, in words, for a view that speaks (a screen reader hears it
  // with the row's cells); empty as passed for nothing. Asked like RowColor.
  std::function<void(int32_t row, std::string& note)> RowNote;

  // Raising the events, for the view or host that plays the user's actions.
  void RaiseClick();
  void RaiseDblClick();
  void RaiseKeyDown(int16_t& key_code, int16_t shift);
  void RaiseKeyPress(int16_t& key_ascii);
  void RaiseMouseMove();

  // Layout.
  int32_t Rows() const { return rows_; }
  void SetRows(int32_t rows);
  int32_t Cols() const { return static_cast<int32_t>(columns_.size()); }
  void SetCols(int32_t cols);
  int64_t LayoutSetting(int32_t id) const;
  void SetLayoutSetting(int32_t id, int64_t value);
  bool Flag(int32_t n) const;
  void SetFlag(int32_t n, bool on);
  bool MultiSelect() const { return Flag(kLayoutFlagMultiSelect); }
  // Where the mouse is (0 when off the grid); set by the view before it raises an event.
  int32_t MouseRow() const { return mouse_row_; }
  int32_t MouseCol() const { return mouse_col_; }
  void SetMouse(int32_t row, int32_t col);

  // Redraw requests. Refresh is the Layout's method 15, called after a reload; ForceRefresh
  // redraws every row; Redraw is the control's own refresh. Each drops the row cache.
  void Refresh();
  void ForceRefresh();
  void Redraw();
  int32_t RefreshCount() const { return refresh_count_; }
  int32_t ForceRefreshCount() const { return force_refresh_count_; }
  int32_t RedrawCount() const { return redraw_count_; }
  void Invalidate() {
    cached_row_ = 0;
    ++cache_generation_;
  }

  // Cursor.
  int32_t CursorRow() const { return cursor_row_; }
  void SetCursorRow(int32_t row);
  int64_t CursorSetting(int32_t id) const;
  void SetCursorSetting(int32_t id, int64_t value);
  // The selected rows in the order the user picked them; empty without multi-row selection.
  std::vector<int32_t> SelectedRows() const;
  // The host's multi-row selection, as if the user had added each row in turn: repeated rows
  // count once, the cursor ends on the last row and one SelChanged is raised for it. An empty
  // list clears the selection and leaves the cursor.
  void SetSelectedRows(const std::vector<int32_t>& rows);
  // Adds the row to the selection list or takes it out, and puts the cursor on it (one
  // SelChanged). Unless the cursor moves apart, an empty list stands for the cursor row, which
  // shows selected. Multi-row selection only.
  void ToggleSelected(int32_t row);
  // Whether the cursor moves apart from the selection (multi-row selection only).
  bool CursorApart() const { return cursor_apart_; }
  void SetCursorApart(bool apart);

  LedgerColumn& Column(int32_t col);
  const LedgerColumn& Column(int32_t col) const;
  // The order in which views show the columns: these first, in this order, then the others in
  // their own order. Empty (the default): every column in its own order. Columns and texts keep
  // their numbers; only what a view draws moves.
  const std::vector<int32_t>& ViewOrder() const { return view_order_; }
  void SetViewOrder(std::vector<int32_t> cols);

  LedgerCell Cell(int32_t row, int32_t col);
  std::string CellText(int32_t row, int32_t col);
  Variant CellValue(int32_t row, int32_t col);
  void SetCellValue(int32_t row, int32_t col, Variant value);
  bool HasCellValue(int32_t row, int32_t col) const;
  // Every value written into a cell, by (row, col); to put back after a Rows write with
  // RestoreCellValues, which drops the cells outside the grid and reports one change.
  using CellValueMap = std::map<std::pair<int32_t, int32_t>, Variant>;
  const CellValueMap& CellValues() const { return values_; }
  void RestoreCellValues(CellValueMap values);

  // The owner's text of a row (through RowText, or the cache); Error outside 1..Rows. The
  // owner's handler receives an empty text to fill. A read from inside that handler asks the
  // owner again and bypasses the cache.
  std::string RowTextOf(int32_t row);
  // The owner's colour of a data row (RowColor), -1 without one; errors of the handler pass.
  int64_t RowColorOf(int32_t row);
  // The owner's note of a data row (RowNote), "" without one; errors of the handler pass.
  std::string RowNoteOf(int32_t row);
  // Every row, title first, one line each ending in "\n": each cell's text and a "|".
  std::string DumpGrid();

  // The host window: its width in twips (set by the view) and the tool-tip text (set by forms).
  float HostWidth() const { return host_width_; }
  void SetHostWidth(float twips);
  const std::string& ToolTipText() const { return tool_tip_; }
  void SetToolTipText(std::string text);

  // One listener, told after each change; empty to stop. It must not replace itself while
  // it runs. A write that leaves a setting as it was (a width, alignment, flag, Layout or Cursor
  // setting, the host width, the tool tip) tells nothing, so a view that reads the grid while it
  // paints is not asked to paint again by the owner's rewrites of the same values.
  void SetViewListener(std::function<void(LedgerChange)> listener) {
    listener_ = std::move(listener);
  }

 private:
  friend class LedgerColumn;

  void CheckRow(int32_t row) const;
  void CheckCell(int32_t row, int32_t col) const;
  void Changed(LedgerChange change) const;
  template <class Handler, class... Args>
  void Raise(const Handler& handler, Args&&... args);
  void MoveCursor(int32_t row);

  int32_t rows_ = 1;
  std::vector<std::unique_ptr<LedgerColumn>> columns_;
  std::map<int32_t, int64_t> layout_settings_;
  std::map<int32_t, int64_t> cursor_settings_;
  uint32_t flags_ = 0;
  int32_t mouse_row_ = 0;
  int32_t mouse_col_ = 0;
  int32_t cursor_row_ = 1;
  std::vector<int32_t> selected_;
  bool cursor_apart_ = false;
  std::vector<int32_t> view_order_;
  CellValueMap values_;
  int32_t refresh_count_ = 0;
  int32_t force_refresh_count_ = 0;
  int32_t redraw_count_ = 0;
  float host_width_ = kDefaultHostWidth;
  std::string tool_tip_;
  std::function<void(LedgerChange)> listener_;

  int32_t cached_row_ = 0;  // 0: nothing cached
  std::string cached_text_;
  uint64_t cache_generation_ = 0;  // bumped by Invalidate, so a fetch that saw one is not kept
  bool in_row_text_ = false;
};

}  // namespace qmz
