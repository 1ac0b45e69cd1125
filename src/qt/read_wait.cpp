#include "qt/read_wait.h"

#include <chrono>
#include <cstdint>
#include <string>

#include <QApplication>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QWindow>

#include "platform/stoppable_read.h"

namespace qmz {

namespace {

constexpr int kNumbersEveryMs = 250;
constexpr int kStopAgainEveryMs = 100;

// 1234567 as "1,234,567".
QString Grouped(int64_t value) {
  std::string digits = std::to_string(value);
  for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) {
    digits.insert(static_cast<size_t>(at), ",");
  }
  return QString::fromStdString(digits);
}

bool IsUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::InputMethod:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::NonClientAreaMouseMove:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::Close:
      return true;
    default:
      return false;
  }
}

bool IsMouse(QEvent::Type type) {
  return type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease ||
         type == QEvent::MouseButtonDblClick || type == QEvent::MouseMove;
}

}  // namespace

ReadWait::ReadWait(QWidget* window, StoppableRead& read) : read_(read), window_(window) {
  auto* layout = window_ ? qobject_cast<QBoxLayout*>(window_->layout()) : nullptr;
  if (!layout) {
    own_window_ = std::make_unique<QDialog>(QApplication::activeWindow());
    own_window_->setWindowModality(Qt::ApplicationModal);
    window_ = own_window_.get();
    layout = new QVBoxLayout(window_);
  }
  strip_ = new QWidget(window_);
  strip_->setObjectName("readProgress");
  auto* line = new QHBoxLayout(strip_);
  line->setContentsMargins(0, 0, 0, 0);
  text_ = new QLabel(strip_);
  text_->setObjectName("readProgressText");
  cancel_ = new QPushButton(QStringLiteral("取消"), strip_);
  cancel_->setObjectName("cmdCancelRead");
  cancel_->setAutoDefault(false);
  line->addWidget(text_, 1);
  line->addWidget(cancel_);
  layout->addWidget(strip_);
  QObject::connect(cancel_, &QPushButton::clicked, this, [this] { Stop(); });
  QObject::connect(&numbers_, &QTimer::timeout, this, [this] { ShowNumbers(); });
  QObject::connect(&stop_again_, &QTimer::timeout, this, [this] { read_.Stop(); });
}

ReadWait::~ReadWait() {
  qApp->removeEventFilter(this);
  read_.OnEnded({});
  delete strip_;
}

void ReadWait::Run() {
  ShowNumbers();
  window_->show();
  strip_->show();
  numbers_.start(kNumbersEveryMs);
  qApp->installEventFilter(this);
  read_.OnEnded([this] { QMetaObject::invokeMethod(this, [this] { loop_.quit(); }); });
  if (!read_.Ended()) loop_.exec();
  read_.OnEnded({});
  qApp->removeEventFilter(this);
  numbers_.stop();
  stop_again_.stop();
}

void ReadWait::Stop() {
  if (stopping_) return;
  stopping_ = true;
  read_.Stop();
  stop_again_.start(kStopAgainEveryMs);
  cancel_->setEnabled(false);
  text_->setText(QStringLiteral("正在取消…"));
}

void ReadWait::ShowNumbers() {
  if (stopping_) return;
  const auto tenths =
      std::chrono::duration_cast<std::chrono::milliseconds>(read_.Elapsed()).count() / 100;
  const QString text = read_.What() == StoppableRead::Work::kSorting
                           ? QStringLiteral("正在排序… %1 行，%2.%3 秒")
                           : QStringLiteral("正在读取数据… 已读 %1 行，%2.%3 秒");
  text_->setText(text.arg(Grouped(read_.RowsRead())).arg(tenths / 10).arg(tenths % 10));
}

bool ReadWait::InWindow(QObject* object) const {
  if (object == window_->windowHandle()) return true;
  auto* widget = qobject_cast<QWidget*>(object);
  return widget && (widget == window_ || window_->isAncestorOf(widget));
}

bool ReadWait::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (!IsUserInput(type)) return false;
  if (type == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
    Stop();
    return true;
  }
  if (type == QEvent::Close && InWindow(watched)) {
    Stop();
    return true;
  }
  // The mouse reaches the cancel button through the window that holds it.
  if (IsMouse(type) && !stopping_ && (watched == cancel_ || watched == window_->windowHandle())) {
    return false;
  }
  return true;
}

}  // namespace qmz
