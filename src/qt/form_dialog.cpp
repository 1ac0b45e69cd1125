#include "qt/form_dialog.h"

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <QCheckBox>
#include <QCloseEvent>
#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QToolTip>
#include <QVBoxLayout>

#include "platform/ui/form.h"
#include "qt/form_dialog_parts.h"
#include "qt/twips_scale.h"
#include "qt/widget_input.h"

namespace qmz {

namespace {

constexpr int kGridDialogWidth = 640;  // pixels, for a form with a grid and no size of its own
constexpr int kGridDialogHeight = 480;
// A window manager's frame before the dialog has one: borders and a title bar.
constexpr int kAssumedFrameWidth = 8;
constexpr int kAssumedFrameHeight = 32;
constexpr int kBoxMinChars = 12;     // the narrowest a text box gets, in digits
constexpr int kBoxFramePixels = 12;  // its frame and margins

}  // namespace

using namespace qt_input;

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
      // However small the dialog, the box shows a code of a dozen characters: Qt would let it
      // shrink to one.
      edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QString(kBoxMinChars, u'0')) +
                            kBoxFramePixels);
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
  ShowWindow();
  Act([&] { form_.HostShown(); });
}

void FormDialog::ShowWindow() {
  KeepOnScreen();
  show();
  KeepOnScreen();
  activateWindow();
  layout()->activate();
  for (const auto& view : grids_) {
    UpdateHostWidth(*view);
    FlagScope mirroring(syncing_);
    ApplySelection(*view, true);
  }
}

void FormDialog::KeepOnScreen() {
  QScreen* screen = parentWidget() ? parentWidget()->screen() : this->screen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  // The window manager's frame, once the dialog has one; before, room for a title bar.
  QSize frame = frameGeometry().size() - size();
  if (frame.height() <= 0) frame = QSize(kAssumedFrameWidth, kAssumedFrameHeight);
  const QSize fits(std::min(width(), std::max(area.width() - frame.width(), minimumWidth())),
                   std::min(height(), std::max(area.height() - frame.height(), minimumHeight())));
  if (fits != size()) resize(fits);
  const QPoint at = frameGeometry().topLeft();
  const QPoint inside(
      std::clamp(at.x(), area.left(),
                 std::max(area.left(), area.right() + 1 - width() - frame.width())),
      std::clamp(at.y(), area.top(),
                 std::max(area.top(), area.bottom() + 1 - height() - frame.height())));
  if (isVisible() && inside != at) move(inside);
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
  // Set only when it changes: each setting is an event a screen reader hears.
  if (const QString name = ToQt(control.AccessibleName());
      !name.isEmpty() && widget->accessibleName() != name) {
    widget->setAccessibleName(name);
  }
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

}  // namespace qmz
