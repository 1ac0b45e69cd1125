#include "qt/qt_modal_host.h"

#include <algorithm>
#include <chrono>

#include <QApplication>
#include <QGridLayout>
#include <QLayout>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QSpacerItem>

#include "platform/stoppable_read.h"
#include "platform/ui/form.h"
#include "qmz/error.h"
#include "qmz/host.h"
#include "qt/form_dialog.h"
#include "qt/read_wait.h"

namespace qmz {

namespace {

constexpr int kMessageMinWidth = 320;  // pixels
constexpr int kTitleBarRoom = 160;     // a title bar's icon, buttons and margins, in pixels
// How long a list's read runs before the user sees its progress: a short read shows nothing.
constexpr auto kProgressAfter = std::chrono::milliseconds(300);

QtModalHost* pointer_host = nullptr;  // the host that shows the screen's pointer

// The window the user is in: the modal dialog on top, else the host's active window (a main
// window is not modal), so that a dialog opens over it and not on its own.
QWidget* UserWindow() {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  return QApplication::activeWindow();
}

QMessageBox::Icon QtIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::kCritical:
      return QMessageBox::Critical;
    case MessageIcon::kQuestion:
      return QMessageBox::Question;
    case MessageIcon::kExclamation:
      return QMessageBox::Warning;
    case MessageIcon::kInformation:
      return QMessageBox::Information;
    case MessageIcon::kNone:
      break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

QtModalHost::QtModalHost() {
  if (!QCoreApplication::instance()) {
    app_ = std::make_unique<QApplication>(argc_, argv_);
  } else if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
    throw Error("The Qt host needs a QApplication, and the process has a QCoreApplication");
  }
  outer_ = pointer_host;
  if (outer_) outer_->ShowPointerFor(kPointerDefault);
  ListenToPointer(this);
  ShowPointerFor(ScreenMousePointer());
}

QtModalHost::~QtModalHost() {
  ShowPointerFor(kPointerDefault);
  if (pointer_host == this) {
    ListenToPointer(outer_);
    if (outer_) outer_->ShowPointerFor(ScreenMousePointer());
  }
}

void QtModalHost::RunModal(Form& form) {
  // Over the window the user is in, a nested form's dialog over its parent's; the one shown
  // while the form loaded, if any.
  std::unique_ptr<FormDialog> made;
  if (auto early = early_.find(&form); early != early_.end()) {
    made = std::move(early->second);
    early_.erase(early);
  } else {
    made = std::make_unique<FormDialog>(form, UserWindow());
  }
  FormDialog& dialog = *made;
  struct Running {
    std::map<const Form*, FormDialog*>& running;
    const Form* form;
    ~Running() { running.erase(form); }
  } running{running_, &form};
  running_[&form] = &dialog;
  dialog.Show();
  if (!screenshot_path_.empty()) {
    const std::string path = std::move(screenshot_path_);
    screenshot_path_.clear();
    dialog.layout()->activate();
    if (!dialog.grab().save(QString::fromStdString(path), "PNG")) {
      dialog.Fail(std::make_exception_ptr(Error("Cannot write the screenshot " + path)));
    }
  }
  dialog.Wait();
}

namespace {

// QMessageBox fits its width to the text, and a short text left the title elided in the title
// bar ("Van…l提示"): a spacer across its layout holds it at least kMessageMinWidth wide and wide
// enough for the title beside the title bar's icon and buttons.
void KeepTitleWhole(QMessageBox& box) {
  box.setTextFormat(Qt::PlainText);
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
    const int title = box.fontMetrics().horizontalAdvance(box.windowTitle()) + kTitleBarRoom;
    grid->addItem(new QSpacerItem(std::max(kMessageMinWidth, title), 0), grid->rowCount(), 0, 1,
                  grid->columnCount());
  }
}

}  // namespace

void QtModalHost::ShowMessage(const std::string& text, MessageIcon icon, const std::string& title) {
  QMessageBox box(QtIcon(icon), QString::fromStdString(title), QString::fromStdString(text),
                  QMessageBox::Ok, UserWindow());
  KeepTitleWhole(box);
  box.exec();
}

bool QtModalHost::AskYesNo(const std::string& text, const std::string& title) {
  QMessageBox box(QMessageBox::Question, QString::fromStdString(title),
                  QString::fromStdString(text), QMessageBox::Yes | QMessageBox::No, UserWindow());
  box.button(QMessageBox::Yes)->setText(QStringLiteral("是(&Y)"));
  box.button(QMessageBox::No)->setText(QStringLiteral("否(&N)"));
  box.setDefaultButton(QMessageBox::No);
  box.setEscapeButton(QMessageBox::No);
  KeepTitleWhole(box);
  return box.exec() == QMessageBox::Yes;
}

void QtModalHost::ProcessPendingMessages() {
  QCoreApplication::processEvents();
}

void QtModalHost::WaitForRead(Form* form, StoppableRead& read) {
  if (read.WaitFor(kProgressAfter)) return;
  QWidget* window = nullptr;
  if (form) {
    if (auto shown = running_.find(form); shown != running_.end()) {
      window = shown->second;
    } else {
      std::unique_ptr<FormDialog>& early = early_[form];
      if (!early) {
        early = std::make_unique<FormDialog>(*form, UserWindow());
        early->ShowWindow();
      }
      window = early.get();
    }
  }
  ReadWait wait(window, read);
  wait.Run();
}

void QtModalHost::FormEnded(Form& form) {
  early_.erase(&form);
}

void QtModalHost::SetScreenshotPath(std::string path) {
  screenshot_path_ = std::move(path);
}

void QtModalHost::ListenToPointer(QtModalHost* host) {
  pointer_host = host;
  if (host) {
    SetMousePointerListener([host](int pointer) { host->ShowPointerFor(pointer); });
  } else {
    SetMousePointerListener({});
  }
}

void QtModalHost::ShowPointerFor(int pointer) {
  const bool wait = pointer == kPointerHourglass;
  if (wait == waiting_) return;
  waiting_ = wait;
  if (wait) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

}  // namespace qmz
