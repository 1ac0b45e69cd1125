// Plays a test's steps on the next modal dialog, once, and sees that no dialog outlives them, so
// that a failing check ends the test at once instead of leaving a modal loop waiting for a user.
// A failure or an exception in the steps, or a dialog open at the deadline, is reported to the
// running test, and from then on every modal dialog is closed as soon as it shows.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <exception>
#include <functional>
#include <utility>

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTableView>
#include <QTimer>

#include "qmz/error.h"
#include "qt/form_dialog.h"

namespace qmz::testing {

inline std::string S(const QString& text) {
  return text.toStdString();
}

// The middle of a data cell (from 0) of a dialog's grid.
inline QPoint CellCenter(QTableView& table, int row, int col) {
  return table.visualRect(table.model()->index(row, col)).center();
}

class DialogPlay {
 public:
  using Steps = std::function<void(QDialog&)>;
  using Clock = std::chrono::steady_clock;

  explicit DialogPlay(Steps steps, std::chrono::seconds deadline = std::chrono::seconds(10))
      : steps_(std::move(steps)), deadline_(Clock::now() + deadline) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
    timer_.start(10);
  }
  ~DialogPlay() {
    if (!started_) ADD_FAILURE() << "No dialog was shown";
  }
  DialogPlay(const DialogPlay&) = delete;
  DialogPlay& operator=(const DialogPlay&) = delete;

  // The steps ran to their end, without a fatal failure or an exception.
  bool Played() const { return played_; }

 private:
  void Fail(const std::string& why) {
    ADD_FAILURE() << why;
    sweeping_ = true;
  }

  void Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!sweeping_ && Clock::now() > deadline_) Fail("A dialog was still open at the deadline");
    if (sweeping_) {
      if (modal) Close(*modal);
      return;
    }
    auto* dialog = qobject_cast<QDialog*>(modal);
    if (started_ || !dialog || !dialog->isVisible()) return;
    started_ = true;
    QCoreApplication::processEvents();  // the dialog's activation and first paint
    const bool fatal_before = ::testing::Test::HasFatalFailure();
    try {
      steps_(*dialog);
    } catch (const std::exception& e) {
      Fail(std::string("The steps raised: ") + e.what());
    } catch (...) {
      Fail("The steps raised an exception");
    }
    played_ = !sweeping_ && (fatal_before || !::testing::Test::HasFatalFailure());
    if (!played_) sweeping_ = true;
  }

  // Ends a dialog the way a user would (the close box); a form that refuses is made to end.
  static void Close(QWidget& widget) {
    if (auto* box = qobject_cast<QMessageBox*>(&widget)) return box->done(QMessageBox::Cancel);
    widget.close();
    if (auto* form = dynamic_cast<FormDialog*>(&widget); form && form->isVisible()) {
      form->Fail(std::make_exception_ptr(Error("The test closed the dialog")));
    } else if (auto* dialog = qobject_cast<QDialog*>(&widget); dialog && dialog->isVisible()) {
      dialog->done(QDialog::Rejected);
    }
  }

  Steps steps_;
  Clock::time_point deadline_;
  QTimer timer_;
  bool started_ = false;
  bool played_ = false;
  bool sweeping_ = false;
};

}  // namespace qmz::testing
