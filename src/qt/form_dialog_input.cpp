// FormDialog's input: the events of its widgets turned into the form's user actions (keys with
// Windows key codes, typed and pasted text, access keys, the focus, the caret).
#include <QApplication>
#include <QClipboard>
#include <QHelpEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTableView>

#include "platform/ui/form.h"
#include "qt/form_dialog_parts.h"
#include "qt/key_codes.h"
#include "qt/widget_input.h"

namespace qmz {

using namespace qt_input;

void FormDialog::OnEditSelection(TextBox& box, QLineEdit& edit) {
  if (syncing_) return;
  const auto [start, length] = EditSelection(edit);
  const QString text = edit.text();
  const size_t byte_start = Utf8Offset(text, start);
  const size_t byte_length = Utf8Offset(text, start + length) - byte_start;
  if (box.SelStart() == byte_start && box.SelLength() == byte_length) return;
  Act([&] { box.SetSelection(byte_start, byte_length); });
}

bool FormDialog::eventFilter(QObject* watched, QEvent* event) {
  if (closing_) return QDialog::eventFilter(watched, event);
  Control* control = nullptr;
  if (auto it = owners_.find(watched); it != owners_.end()) {
    control = it->second;
  } else if (watched != this) {
    return QDialog::eventFilter(watched, event);
  }
  GridView* view = GridOf(control);
  const bool grid_part = view && watched != view->table;  // the grid's viewport or header
  auto* box = dynamic_cast<TextBox*>(control);
  switch (event->type()) {
    case QEvent::ShortcutOverride:
      // Every key comes as a key press: Alt+letter is the form's access key, not a Qt mnemonic.
      event->accept();
      return true;
    case QEvent::KeyPress: {
      if (grid_part) return false;
      QWidget* focus = QApplication::focusWidget();
      if (watched == this && focus && owners_.count(focus)) return true;  // passed up, seen
      return OnKeyPress(control, *static_cast<QKeyEvent*>(event));
    }
    case QEvent::KeyRelease:
      return !grid_part;
    case QEvent::FocusIn:
      if (control && !syncing_ && watched == widgets_.at(control)) {
        Act([&] { form_.SetFocus(control); });
      }
      return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove: {
      auto& mouse = *static_cast<QMouseEvent*>(event);
      if (grid_part) return OnGridMouse(*view, watched, mouse);
      if (box && mouse.button() == Qt::MiddleButton) {
        // X11 pastes its selection on a middle click: a paste through the form too.
        QClipboard& clipboard = *QGuiApplication::clipboard();
        if (event->type() == QEvent::MouseButtonRelease && clipboard.supportsSelection()) {
          Act([&] {
            form_.Paste(box->Name(), clipboard.text(QClipboard::Selection).toStdString());
          });
        }
        return true;
      }
      return false;
    }
    case QEvent::Leave:
      if (grid_part) view->hover_row = view->hover_col = -1;
      return false;
    case QEvent::ToolTip:
      if (!grid_part) return false;
      ShowGridToolTip(*view, static_cast<QHelpEvent*>(event)->globalPos());
      return true;
    case QEvent::Resize:
      if (view && watched == view->table->viewport()) UpdateHostWidth(*view);
      return false;
    case QEvent::InputMethod:
      return box && OnInputMethod(*box, watched, *static_cast<QInputMethodEvent*>(event));
    case QEvent::ContextMenu:
      return control != nullptr;
    default:
      return false;
  }
}

bool FormDialog::OnKeyPress(Control* control, QKeyEvent& event) {
  const int key = event.key();
  const Qt::KeyboardModifiers modifiers = event.modifiers();
  const bool ctrl = modifiers & Qt::ControlModifier;
  const bool alt = modifiers & Qt::AltModifier;
  // Qt moves the focus on Tab; FocusIn tells the form.
  if ((key == Qt::Key_Tab || key == Qt::Key_Backtab) && !ctrl && !alt) return false;
  if (alt && !ctrl && AccessLetter(key) != 0) {
    Act([&] { form_.PressAccessKey(AccessLetter(key)); });
    return true;
  }
  auto* box = dynamic_cast<TextBox*>(control);
  GridView* view = GridOf(control);
  const int16_t code = VirtualKeyCode(key, modifiers);
  bool native = false;
  int sideways = 0;  // a grid's Left or Right that the form let through
  Act([&] {
    // A key the form discarded does not move the caret or delete either.
    const bool passed = code == 0 || form_.PressKey(code, ShiftMask(modifiers));
    // What a text box does with the key, when the key left the focus on it.
    const bool in_box = box && form_.Visible() && form_.Focused() == box;
    if (box && event.matches(QKeySequence::Paste)) {
      if (in_box) form_.Paste(box->Name(), QGuiApplication::clipboard()->text().toStdString());
    } else if (box && event.matches(QKeySequence::Cut)) {
      if (in_box && box->SelLength() > 0) {
        static_cast<QLineEdit*>(widgets_.at(box))->copy();
        DeleteForward(*box);
      }
    } else if (box && event.matches(QKeySequence::Delete)) {
      if (in_box && passed) DeleteForward(*box);
    } else if (box && IsCaretKey(event)) {
      native = in_box && passed;
    } else if (view && (key == Qt::Key_Left || key == Qt::Key_Right) && !ctrl && !alt) {
      if (passed && form_.Visible() && form_.Focused() == view->control) {
        sideways = key == Qt::Key_Right ? 1 : -1;
      }
    } else if (!ctrl && !alt && IsTyped(event.text()) && form_.Visible()) {
      form_.TypeText(event.text().toStdString());
    } else if (box && box->AcceptsGroupSeparator() && event.text() == QString(QChar(0x1d)) &&
               form_.Visible()) {
      form_.TypeText("\x1d");  // a scanner's group separator, Ctrl+]
    }
  });
  if (sideways != 0 && !closing_) StepGridColumn(*view, sideways);
  return !native;
}

bool FormDialog::OnInputMethod(TextBox& box, QObject* watched, QInputMethodEvent& event) {
  const QString commit = event.commitString();
  if (commit.isEmpty()) return false;  // still composing: Qt shows it, the text is unchanged
  QInputMethodEvent done;              // ends the composition shown in the edit
  QCoreApplication::sendEvent(watched, &done);
  Act([&] {
    if (form_.Focused() != &box) form_.SetFocus(&box);
    if (form_.Visible() && form_.Focused() == &box) form_.TypeText(commit.toStdString());
  });
  if (!event.preeditString().isEmpty()) {
    QInputMethodEvent composing(event.preeditString(), event.attributes());
    QCoreApplication::sendEvent(watched, &composing);
  }
  return true;
}

}  // namespace qmz
