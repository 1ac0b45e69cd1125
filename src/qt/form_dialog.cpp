#include "qt/form_dialog.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHelpEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>

#include "platform/ui/form.h"
#include "platform/ui/ledger.h"
#include "qt/key_codes.h"
#include "qt/ledger_model.h"
#include "qt/twips_scale.h"
#include "qt/widget_input.h"

namespace qmz {

namespace {

constexpr int kGridDialogWidth = 640;  // pixels, for a form with a grid and no size of its own
constexpr int kGridDialogHeight = 480;

QString ToQt(const std::string& text) {
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

}  // namespace

using namespace qt_input;

struct FormDialog::GridView {
  GridControl* control = nullptr;
  QTableView* table = nullptr;
  LedgerModel* model = nullptr;
  int32_t hover_row = -1;  // ledger cell last told to the form; 0 off the cells
  int32_t hover_col = -1;
  QPoint hover_pos;
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

FormDialog::FormDialog(Form& form, QWidget* parent) : QDialog(parent), form_(form) {
  setObjectName(ToQt(form_.Name()));
  setWindowModality(Qt::ApplicationModal);
  QFont dialog_font = font();
  dialog_font.setPointSize(kDialogFontPoints);
  setFont(dialog_font);
  twips_per_pixel_ = TwipsPerPixel(dialog_font, *style());
  installEventFilter(this);
  for (const auto& control : form_.Controls()) AddWidget(*control);
  LayOut();
  for (const auto& control : form_.Controls()) SyncControl(*control);
  if (form_.Width() <= 0 || form_.Height() <= 0) {
    resize(grids_.empty() ? sizeHint() : QSize(kGridDialogWidth, kGridDialogHeight));
  }
  form_.SetViewListener([this] { SyncForm(); });
  SyncForm();
}

FormDialog::~FormDialog() {
  closing_ = true;
  form_.SetViewListener({});
  for (const auto& control : form_.Controls()) control->SetViewListener({});
  for (const auto& view : grids_) view->control->Grid().SetViewListener({});
  // The widgets die after this body, with the QDialog: no event or signal of theirs may reach
  // the members gone by then.
  for (const auto& [object, control] : owners_) {
    const_cast<QObject*>(object)->removeEventFilter(this);
    QObject::disconnect(object, nullptr, this, nullptr);
  }
}

void FormDialog::AddWidget(Control& control) {
  QWidget* widget = nullptr;
  switch (control.Kind()) {
    case ControlKind::kLabel: {
      auto* label = new QLabel(this);
      label->setTextFormat(Qt::PlainText);
      widget = label;
      break;
    }
    case ControlKind::kTextBox: {
      auto* edit = new QLineEdit(this);
      // Its menu and drops would edit the text behind the form's back.
      edit->setContextMenuPolicy(Qt::NoContextMenu);
      edit->setAcceptDrops(false);
      auto& box = static_cast<TextBox&>(control);
      auto selection_moved = [this, &box, edit] { OnEditSelection(box, *edit); };
      connect(edit, &QLineEdit::cursorPositionChanged, this, selection_moved);
      connect(edit, &QLineEdit::selectionChanged, this, selection_moved);
      widget = edit;
      break;
    }
    case ControlKind::kCheckBox: {
      auto* check = new QCheckBox(this);
      connect(check, &QCheckBox::clicked, this, [this, &control] {
        if (syncing_) return;
        Act([&] { form_.Click(control.Name()); });
        SyncControl(control);  // shows the form's value, whatever Qt toggled
      });
      widget = check;
      break;
    }
    case ControlKind::kCommandButton: {
      auto* button = new QPushButton(this);
      button->setAutoDefault(false);
      connect(button, &QPushButton::clicked, this, [this, &control] {
        if (!syncing_) Act([&] { form_.Click(control.Name()); });
      });
      widget = button;
      break;
    }
    case ControlKind::kGrid:
      AddGrid(control);
      return;
  }
  widget->setObjectName(ToQt(control.Name()));
  widget->installEventFilter(this);
  widgets_[&control] = widget;
  owners_[widget] = &control;
  control.SetViewListener([this, &control] { SyncControl(control); });
}

void FormDialog::AddGrid(Control& control) {
  auto& grid_control = static_cast<GridControl&>(control);
  auto view = std::make_unique<GridView>();
  view->control = &grid_control;
  view->table = new QTableView(this);
  view->model = new LedgerModel(
      grid_control.Grid(), [this](std::exception_ptr error) { Fail(std::move(error)); },
      view->table);
  QTableView& table = *view->table;
  table.setObjectName(ToQt(control.Name()));
  table.setModel(view->model);
  table.setSelectionBehavior(QAbstractItemView::SelectRows);
  table.setEditTriggers(QAbstractItemView::NoEditTriggers);
  table.setTabKeyNavigation(false);
  table.setWordWrap(false);
  table.setCornerButtonEnabled(false);
  table.setAutoScroll(false);
  table.setContextMenuPolicy(Qt::NoContextMenu);
  // Fixed rows: Qt then places rows without reading them, and reads only those it paints.
  QHeaderView& rows = *table.verticalHeader();
  rows.hide();
  rows.setSectionResizeMode(QHeaderView::Fixed);
  rows.setDefaultSectionSize(std::max(rows.minimumSectionSize(), table.fontMetrics().height() + 6));
  QHeaderView& header = *table.horizontalHeader();
  // The user may drag a column wider or narrower; the width goes back to the grid, which the
  // pickers remember when they close.
  header.setSectionResizeMode(QHeaderView::Interactive);
  connect(&header, &QHeaderView::sectionResized, this,
          [this, &grid_control](int section, int, int pixels) {
            if (syncing_ || closing_) return;
            Act([&] {
              Ledger& grid = grid_control.Grid();
              if (section + 1 > grid.Cols()) return;
              FlagScope mirroring(syncing_);
              grid.Column(section + 1).SetWidth(static_cast<float>(pixels) * twips_per_pixel_);
            });
          });
  header.setSectionsClickable(false);
  header.setHighlightSections(false);
  header.setStretchLastSection(false);
  table.viewport()->setMouseTracking(true);
  header.viewport()->setMouseTracking(true);
  for (QObject* part : {static_cast<QObject*>(&table), static_cast<QObject*>(table.viewport()),
                        static_cast<QObject*>(header.viewport())}) {
    part->installEventFilter(this);
    owners_[part] = &control;
  }
  widgets_[&control] = &table;
  control.SetViewListener([this, &control] { SyncControl(control); });
  GridView* shown = view.get();
  grids_.push_back(std::move(view));
  grid_control.Grid().SetViewListener(
      [this, shown](LedgerChange change) { SyncLedger(*shown, change); });
  shown->model->Reset();
  ApplyColumns(*shown);
  ApplySelection(*shown, false);  // scrolled to the cursor once shown, at its real size
}

void FormDialog::LayOut() {
  auto* lines = new QVBoxLayout(this);
  std::map<int32_t, std::vector<Control*>> by_line;
  for (const auto& control : form_.Controls()) by_line[control->Line()].push_back(control.get());
  bool has_grid = false;
  for (const auto& [line, controls] : by_line) {
    auto* row = new QHBoxLayout;
    bool fills = false;
    bool grid_line = false;
    for (Control* control : controls) {
      const bool wide =
          control->Kind() == ControlKind::kTextBox || control->Kind() == ControlKind::kGrid;
      row->addWidget(widgets_.at(control), wide ? 1 : 0);
      fills = fills || wide;
      grid_line = grid_line || control->Kind() == ControlKind::kGrid;
    }
    if (!fills) row->addStretch();
    lines->addLayout(row, grid_line ? 1 : 0);
    has_grid = has_grid || grid_line;
  }
  if (!has_grid) lines->addStretch();

  // A label's buddy shows its access key underlined; the key itself goes to the form.
  const auto& controls = form_.Controls();
  for (size_t i = 0; i < controls.size(); ++i) {
    auto* label = dynamic_cast<Label*>(controls[i].get());
    if (!label) continue;
    const Control* buddy = nullptr;
    if (!label->Buddy().empty()) {
      try {
        buddy = &form_.FindControl(label->Buddy());
      } catch (const Error&) {
        // A buddy the form lacks: the caption shows without its mark.
      }
    } else if (i + 1 < controls.size()) {
      buddy = controls[i + 1].get();
    }
    if (buddy) static_cast<QLabel*>(widgets_.at(label))->setBuddy(widgets_.at(buddy));
  }
}

void FormDialog::Show() {
  show();
  activateWindow();
  layout()->activate();
  for (const auto& view : grids_) {
    UpdateHostWidth(*view);
    FlagScope mirroring(syncing_);
    ApplySelection(*view, true);
  }
  Act([&] { form_.HostShown(); });
}

void FormDialog::Wait() {
  if (!error_ && form_.Visible()) loop_.exec();
  closing_ = true;
  QToolTip::hideText();
  hide();
  if (error_) std::rethrow_exception(error_);
}

void FormDialog::Fail(std::exception_ptr error) {
  if (!error_) error_ = std::move(error);
  try {
    form_.Hide();
  } catch (...) {
    // A second error while the form hides; the first one is raised.
  }
  loop_.quit();
}

void FormDialog::closeEvent(QCloseEvent* event) {
  if (closing_) {
    event->accept();
    return;
  }
  event->ignore();  // the form decides, and hides itself when it agrees
  Act([&] { form_.CloseBox(); });
}

void FormDialog::reject() {
  if (closing_) {
    QDialog::reject();
    return;
  }
  Act([&] { form_.CloseBox(); });
}

void FormDialog::SyncForm() {
  FlagScope mirroring(syncing_);
  const QString title = ToQt(form_.Caption());
  if (windowTitle() != title) setWindowTitle(title);
  const QSize size(static_cast<int>(std::lround(form_.Width() / twips_per_pixel_)),
                   static_cast<int>(std::lround(form_.Height() / twips_per_pixel_)));
  if (size.width() > 0 && size.height() > 0 && size != applied_size_) {
    applied_size_ = size;
    resize(size);
  }
  if (Control* focused = form_.Focused()) {
    auto it = widgets_.find(focused);
    if (it != widgets_.end() && !it->second->hasFocus()) it->second->setFocus(Qt::OtherFocusReason);
  }
  if (!form_.Visible()) loop_.quit();
}

void FormDialog::SyncControl(Control& control) {
  QWidget* widget = widgets_.at(&control);
  FlagScope mirroring(syncing_);
  widget->setHidden(!control.Visible());
  widget->setEnabled(control.Enabled());
  switch (control.Kind()) {
    case ControlKind::kLabel: {
      auto* label = static_cast<QLabel*>(widget);
      const std::string& caption = static_cast<Label&>(control).Caption();
      // Qt shows the access mark only for a label with a buddy.
      label->setText(ToQt(label->buddy() ? caption : CaptionWithoutAccessMark(caption)));
      break;
    }
    case ControlKind::kTextBox:
      SyncTextBox(static_cast<TextBox&>(control), *static_cast<QLineEdit*>(widget));
      break;
    case ControlKind::kCheckBox: {
      const auto& check = static_cast<CheckBox&>(control);
      auto* box = static_cast<QCheckBox*>(widget);
      box->setText(ToQt(check.Caption()));
      box->setCheckState(check.Value() == 1   ? Qt::Checked
                         : check.Value() == 2 ? Qt::PartiallyChecked
                                              : Qt::Unchecked);
      break;
    }
    case ControlKind::kCommandButton:
      static_cast<QPushButton*>(widget)->setText(
          ToQt(static_cast<CommandButton&>(control).Caption()));
      break;
    case ControlKind::kGrid:
      return;  // the grid's tool tip is the ledger's, shown as the mouse moves
  }
  widget->setToolTip(ToQt(control.ToolTipText()));
}

void FormDialog::SyncTextBox(const TextBox& box, QLineEdit& edit) {
  const QString text = ToQt(box.Text());
  if (edit.text() != text) edit.setText(text);
  const int start = Utf16Offset(box.Text(), box.SelStart());
  const int length = Utf16Offset(box.Text(), box.SelStart() + box.SelLength()) - start;
  // Left alone when equal, so that a selection made leftwards keeps its caret.
  if (EditSelection(edit) == std::make_pair(start, length)) return;
  if (length == 0) {
    edit.setCursorPosition(start);
  } else {
    edit.setSelection(start, length);
  }
}

void FormDialog::OnEditSelection(TextBox& box, QLineEdit& edit) {
  if (syncing_) return;
  const auto [start, length] = EditSelection(edit);
  const QString text = edit.text();
  const size_t byte_start = Utf8Offset(text, start);
  const size_t byte_length = Utf8Offset(text, start + length) - byte_start;
  if (box.SelStart() == byte_start && box.SelLength() == byte_length) return;
  Act([&] { box.SetSelection(byte_start, byte_length); });
}

void FormDialog::SyncLedger(GridView& view, LedgerChange change) {
  if (view.model->Reading()) {
    if (std::find(view.deferred.begin(), view.deferred.end(), change) != view.deferred.end()) {
      return;
    }
    if (view.deferred.empty()) {
      QTimer::singleShot(0, this, [this, &view] {
        std::vector<LedgerChange> changes;
        changes.swap(view.deferred);
        if (closing_) return;
        for (LedgerChange deferred : changes) SyncLedger(view, deferred);
      });
    }
    view.deferred.push_back(change);
    return;
  }
  FlagScope mirroring(syncing_);
  switch (change) {
    case LedgerChange::kRows:
    case LedgerChange::kCols:
      view.model->Reset();
      ApplyColumns(view);
      ApplySelection(view, true);
      break;
    case LedgerChange::kColumn:
      ApplyColumns(view);
      view.model->Redraw();
      break;
    case LedgerChange::kCursor:
      ApplySelection(view, true);
      break;
    case LedgerChange::kSelection:
    case LedgerChange::kLook:
      ApplySelection(view, false);
      break;
    case LedgerChange::kCellValue:
    case LedgerChange::kRedraw:
    case LedgerChange::kEventHandled:
      view.model->Redraw();
      break;
    case LedgerChange::kToolTip:
      if (QToolTip::isVisible() && view.hover_row > 0) ShowGridToolTip(view, view.hover_pos);
      break;
    case LedgerChange::kHostWidth:
      break;
  }
}

void FormDialog::ApplyColumns(GridView& view) {
  FlagScope mirroring(syncing_);  // the header reports these widths back: not as the user's
  const Ledger& grid = view.control->Grid();
  for (int32_t col = 1; col <= grid.Cols(); ++col) {
    const LedgerColumn& column = grid.Column(col);
    view.table->setColumnWidth(col - 1,
                               static_cast<int>(std::lround(column.Width() / twips_per_pixel_)));
    view.table->setColumnHidden(col - 1, column.Hidden());
  }
}

void FormDialog::ApplySelection(GridView& view, bool scroll) {
  const Ledger& grid = view.control->Grid();
  QTableView& table = *view.table;
  table.setSelectionMode(grid.MultiSelect() ? QAbstractItemView::ExtendedSelection
                                            : QAbstractItemView::SingleSelection);
  const int rows = view.model->rowCount();
  const int cols = view.model->columnCount();
  const int32_t cursor = grid.CursorRow();
  // Without a selection list the cursor row shows selected.
  std::vector<int32_t> picked = grid.SelectedRows();
  if (picked.empty() && cursor >= 2) picked.push_back(cursor);
  QItemSelection selection;
  for (int32_t row : picked) {
    if (cols > 0 && row >= 2 && row - 2 < rows) {
      selection.select(view.model->index(row - 2, 0), view.model->index(row - 2, cols - 1));
    }
  }
  table.selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
  if (cursor < 2 || cursor - 2 >= rows || cols == 0) return;
  int col = 0;
  while (col < cols && table.isColumnHidden(col)) ++col;
  const QModelIndex current = view.model->index(cursor - 2, col < cols ? col : 0);
  table.selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
  if (scroll && col < cols) {
    // Brings the row into view without scrolling sideways.
    QScrollBar& sideways = *table.horizontalScrollBar();
    const int x = sideways.value();
    table.scrollTo(current);
    sideways.setValue(x);
  }
}

void FormDialog::UpdateHostWidth(GridView& view) {
  Ledger& grid = view.control->Grid();
  const float twips = static_cast<float>(view.table->viewport()->width()) * twips_per_pixel_;
  if (twips != grid.HostWidth()) Act([&] { grid.SetHostWidth(twips); });
}

void FormDialog::ShowGridToolTip(GridView& view, const QPoint& global_pos) {
  std::string text = view.control->Grid().ToolTipText();
  if (text.empty()) text = view.control->ToolTipText();
  if (text.empty() || view.hover_row == 0) {
    QToolTip::hideText();
  } else {
    QToolTip::showText(global_pos, ToQt(text), view.table->viewport());
  }
}

FormDialog::GridView* FormDialog::GridOf(const Control* control) const {
  for (const auto& view : grids_) {
    if (view->control == control) return view.get();
  }
  return nullptr;
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
  const int16_t code = VirtualKeyCode(key, modifiers);
  bool native = false;
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
    } else if (!ctrl && !alt && IsTyped(event.text()) && form_.Visible()) {
      form_.TypeText(event.text().toStdString());
    }
  });
  return !native;
}

bool FormDialog::OnGridMouse(GridView& view, QObject* watched, QMouseEvent& event) {
  QTableView& table = *view.table;
  const QPoint pos = event.position().toPoint();
  int32_t row = 0;  // the ledger cell under the mouse; 0 off the cells
  int32_t col = 0;
  if (watched == table.horizontalHeader()->viewport()) {
    const int section = table.horizontalHeader()->logicalIndexAt(pos);
    if (section >= 0) {
      row = 1;
      col = section + 1;
    }
  } else {
    const int r = table.rowAt(pos.y());
    const int c = table.columnAt(pos.x());
    if (r >= 0 && c >= 0) {
      row = r + 2;
      col = c + 1;
    }
  }
  const std::string& name = view.control->Name();
  const Ledger& grid = view.control->Grid();
  switch (event.type()) {
    case QEvent::MouseButtonPress:
      if (event.button() != Qt::LeftButton) break;
      Act([&] {
        const Qt::KeyboardModifiers modifiers = event.modifiers();
        if (row == 0) {
          form_.SetFocus(view.control);
        } else if (row >= 2 && grid.MultiSelect() &&
                   (modifiers & (Qt::ControlModifier | Qt::ShiftModifier))) {
          form_.SelectGridRows(name, ExtendedSelection(grid, row, modifiers & Qt::ShiftModifier));
        } else {
          form_.ClickGridRow(name, row, col);
        }
      });
      break;
    case QEvent::MouseButtonDblClick:
      if (event.button() == Qt::LeftButton && row != 0) {
        Act([&] { form_.DoubleClickGrid(name, row, col, true); });
      }
      break;
    case QEvent::MouseMove:
      if (row == view.hover_row && col == view.hover_col) break;
      view.hover_row = row;
      view.hover_col = col;
      view.hover_pos = event.globalPosition().toPoint();
      if (row != 0) Act([&] { form_.HoverGrid(name, row, col); });
      ShowGridToolTip(view, view.hover_pos);
      break;
    default:
      break;
  }
  return true;  // the table never selects on its own
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
