// ReadWait: how the Qt host waits for a list's read (platform/stoppable_read.h) that takes a
// moment. A strip at the foot of the window says that the list is being read, how many rows
// came and for how long ("正在读取数据… 已读 12,345 行，3.2 秒"; for a sort "正在排序… 1,000,000
// 行，0.5 秒", the rows whose keys are made), with a 取消 button; the window keeps painting. Escape
// anywhere, 取消, or the window's close box stops the read; the strip then says "正在取消…" and the
// stop is sent again every 100 ms until the read has ended.
//
// While it waits, a local event loop runs with a filter on the whole application: painting,
// timers and posted events go through; the user's input (keys, mouse, wheel, touch, input
// methods, shortcuts, close boxes) reaches nothing but the cancel. The loop wakes when the read
// ends (a queued call from the reading thread) and four times a second to show the numbers:
// waiting costs no processor time beyond that.
//
// Ownership: borrows the window (a dialog with a box layout, or null for a little window of its
// own) and the read. User-interface thread only; nothing here throws.
#pragma once

#include <memory>

#include <QEventLoop>
#include <QObject>
#include <QTimer>

class QLabel;
class QPushButton;
class QWidget;

namespace qmz {

class StoppableRead;

class ReadWait : public QObject {
 public:
  ReadWait(QWidget* window, StoppableRead& read);
  ~ReadWait() override;
  ReadWait(const ReadWait&) = delete;
  ReadWait& operator=(const ReadWait&) = delete;

  // Shows the strip and waits until the read has ended.
  void Run();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Stop();
  void ShowNumbers();
  bool InWindow(QObject* object) const;

  StoppableRead& read_;
  std::unique_ptr<QWidget> own_window_;  // when no window was given
  QWidget* window_ = nullptr;
  QWidget* strip_ = nullptr;
  QLabel* text_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QTimer numbers_;
  QTimer stop_again_;
  QEventLoop loop_;
  bool stopping_ = false;
};

}  // namespace qmz
