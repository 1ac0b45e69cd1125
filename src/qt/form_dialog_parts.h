// What the three parts of FormDialog share (form_dialog.cpp: the widgets of the form's controls;
// form_dialog_grid.cpp: the grid view; form_dialog_input.cpp: the user's input to form actions).
// Private to src/qt.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include <QPoint>
#include <QString>

#include "platform/ui/ledger.h"
#include "qt/form_dialog.h"

class QTableView;

namespace qmz {

class GridControl;
class LedgerModel;

inline QString ToQt(const std::string& text) {
  return QString::fromStdString(text);
}

// Sets a flag for a scope and restores it after.
class FlagScope {
 public:
  explicit FlagScope(bool& flag) : flag_(flag), saved_(flag) { flag_ = true; }
  ~FlagScope() { flag_ = saved_; }
  FlagScope(const FlagScope&) = delete;
  FlagScope& operator=(const FlagScope&) = delete;

 private:
  bool& flag_;
  bool saved_;
};

struct FormDialog::GridView {
  GridControl* control = nullptr;
  QTableView* table = nullptr;
  LedgerModel* model = nullptr;
  int32_t hover_row = -1;  // ledger cell last told to the form; 0 off the cells
  int32_t hover_col = -1;
  QPoint hover_pos;
  bool resizing = false;  // a press on a title-row border: the header drags it until released
  // Changes the owner made while the view was reading the grid to paint it, applied once the
  // paint is over: a view that relaid itself out inside its own paint would paint again.
  std::vector<LedgerChange> deferred;
};

template <class Action>
void FormDialog::Act(Action&& action) {
  if (error_ || closing_) return;
  try {
    action();
  } catch (...) {
    Fail(std::current_exception());
  }
}

}  // namespace qmz
