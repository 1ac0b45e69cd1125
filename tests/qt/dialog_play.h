// Plays a test's steps on the next modal dialog and sees that no dialog outlives them, so that a
// failing check ends the test at once instead of leaving a modal loop waiting for a user.
//
// The steps run once, on the first modal dialog shown after the play is made. Whatever happens
// in them (a failed EXPECT or ASSERT, an exception) `finish` runs afterwards; by default it closes
// the dialog if it is still open a moment later. A failure or exception in the steps, or a dialog
// still open at the deadline, is reported to the running test and from then on every modal
// dialog is closed as soon as it shows, until the play ends.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <exception>
#include <functional>
#include <utility>

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include "qmz/error.h"
#include "qt/form_dialog.h"

namespace qmz::testing {

class DialogPlay {
 public:
  using Steps = std::function<void(QDialog&)>;

  explicit DialogPlay(Steps steps, Steps finish = CloseIfLeftOpen,
                      std::chrono::seconds deadline = std::chrono::seconds(10))
      : steps_(std::move(steps)),
        finish_(std::move(finish)),
        deadline_(std::chrono::steady_clock::now() + deadline) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
    timer_.start(10);
  }
  ~DialogPlay() {
    timer_.stop();
    if (!started_) ADD_FAILURE() << "No dialog was shown";
  }
  DialogPlay(const DialogPlay&) = delete;
  DialogPlay& operator=(const DialogPlay&) = delete;

  // The steps ran to their end, without a fatal failure or an exception.
  bool Played() const { return played_; }

  // Ends a dialog the way a user would (the close box); a form that refuses is made to end.
  static void Close(QWidget& widget) {
    if (auto* box = qobject_cast<QMessageBox*>(&widget)) {
      box->done(QMessageBox::Cancel);
      return;
    }
    widget.close();
    if (auto* form = dynamic_cast<FormDialog*>(&widget); form && form->isVisible()) {
      form->Fail(std::make_exception_ptr(Error("The test closed the dialog")));
    } else if (auto* dialog = qobject_cast<QDialog*>(&widget); dialog && dialog->isVisible()) {
      dialog->done(QDialog::Rejected);
    }
  }

  static void CloseIfLeftOpen(QDialog& dialog) {
    QTimer::singleShot(200, &dialog, [d = &dialog] {
      if (!d->isVisible()) return;
      ADD_FAILURE() << "The steps left the dialog open";
      Close(*d);
    });
  }

 private:
  void Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!sweeping_ && std::chrono::steady_clock::now() > deadline_) {
      ADD_FAILURE() << "A dialog was still open at the deadline";
      sweeping_ = true;
    }
    if (sweeping_) {
      if (modal) Close(*modal);
      return;
    }
    auto* dialog = qobject_cast<QDialog*>(modal);
    if (started_ || !dialog || !dialog->isVisible()) return;
    started_ = true;
    QCoreApplication::processEvents();  // the dialog's activation and first paint
    QPointer<QDialog> guard(dialog);
    const bool fatal_before = ::testing::Test::HasFatalFailure();
    Guarded("steps", [&] { steps_(*dialog); });
    played_ = !sweeping_ && !(::testing::Test::HasFatalFailure() && !fatal_before);
    if (guard) Guarded("finish", [&] { finish_(*guard); });
    if (!played_) sweeping_ = true;
  }

  template <class Action>
  void Guarded(const char* what, Action&& action) {
    try {
      action();
      return;
    } catch (const std::exception& e) {
      ADD_FAILURE() << "The test's " << what << " raised: " << e.what();
    } catch (...) {
      ADD_FAILURE() << "The test's " << what << " raised an exception";
    }
    sweeping_ = true;
  }

  Steps steps_;
  Steps finish_;
  std::chrono::steady_clock::time_point deadline_;
  QTimer timer_;
  bool started_ = false;
  bool played_ = false;
  bool sweeping_ = false;
};

}  // namespace qmz::testing
