// FormDialog: the Qt dialog that shows one Form for QtModalHost (qt_modal_host.h). It builds a
// widget for every control, laid out by Control::Line() (one line side by side, lines top to
// bottom, a grid's line taking the spare height), mirrors the form, its controls and its grids
// through their view listeners, and turns the user's input into the form's user actions
// (form.h), so that the form's code runs as it does under every other host:
//  - keys go to Form::PressKey with Windows key codes, typed text to Form::TypeText, Alt+letter
//    to Form::PressAccessKey, Ctrl+V to Form::Paste; the widgets never edit on their own (the
//    caret keys and Copy still move or copy natively in a text box, after the form saw them;
//    Left and Right move a grid's current column, which the ledger does not keep);
//  - button and check box clicks go to Form::Click, the focus to Form::SetFocus, the close box
//    to Form::CloseBox (the dialog stays until the form hides itself);
//  - a grid click, Ctrl/Shift-click, double click and mouse move go to ClickGridRow,
//    SelectGridRows, DoubleClickGrid and HoverGrid, with ledger rows (1: the title row).
// Writes from the widgets back into the form are echoes while the form is being mirrored, and
// are dropped then.
//
// Ownership: the dialog borrows the form, which must outlive it. It is the view listener of the
// form, each control and each grid while it lives, and clears them when destroyed.
//
// Errors: a form's handler (or a grid's RowText) that fails while Qt delivers an event must not
// unwind through Qt. The first error is kept, the form is hidden, nothing more reaches the form,
// and Wait() raises the error again. The user-interface thread only.
#pragma once

#include <exception>
#include <map>
#include <memory>
#include <vector>

#include <QDialog>
#include <QEventLoop>

class QInputMethodEvent;
class QKeyEvent;
class QLineEdit;
class QMouseEvent;

namespace qmz {

class Control;
class Form;
class TextBox;
enum class LedgerChange;

class FormDialog : public QDialog {
 public:
  FormDialog(Form& form, QWidget* parent);
  ~FormDialog() override;
  FormDialog(const FormDialog&) = delete;
  FormDialog& operator=(const FormDialog&) = delete;

  // Shows the dialog, inside the screen's available area (made smaller where the form's size
  // does not fit), and tells the form (Form::HostShown).
  void Show();
  // Shows the window only, the form not told: a form whose list is read while it loads.
  void ShowWindow();
  // Runs the dialog's event loop until the form has hidden itself, then hides the dialog and
  // raises the error kept by Fail, if any.
  void Wait();
  // Keeps the first error, hides the form and ends the loop.
  void Fail(std::exception_ptr error);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  struct GridView;

  template <class Action>
  void Act(Action&& action);

  void AddWidget(Control& control);
  void AddGrid(Control& control);
  void LayOut();
  void KeepOnScreen();
  void SyncForm();
  void SyncControl(Control& control);
  void SyncTextBox(const TextBox& box, QLineEdit& edit);
  void SyncLedger(GridView& view, LedgerChange change);
  void ApplyColumns(GridView& view);
  void ApplySelection(GridView& view, bool scroll);
  // Left/Right in a grid: the current cell to the previous/next shown column, scrolled to.
  void StepGridColumn(GridView& view, int step);
  void UpdateHostWidth(GridView& view);
  void ShowGridToolTip(GridView& view, const QPoint& global_pos);

  bool OnKeyPress(Control* control, QKeyEvent& event);
  bool OnGridMouse(GridView& view, QObject* watched, QMouseEvent& event);
  bool OnInputMethod(TextBox& box, QObject* watched, QInputMethodEvent& event);
  void OnEditSelection(TextBox& box, QLineEdit& edit);
  GridView* GridOf(const Control* control) const;

  Form& form_;
  std::map<const Control*, QWidget*> widgets_;
  std::map<const QObject*, Control*> owners_;  // widgets, grid viewports and grid headers
  std::vector<std::unique_ptr<GridView>> grids_;
  QEventLoop loop_;
  std::exception_ptr error_;
  bool syncing_ = false;  // mirroring the form: the widgets' signals are echoes
  bool closing_ = false;
  QSize applied_size_;
  float twips_per_pixel_ = 15;  // the forms' twips on this screen, in this font
};

}  // namespace qmz
