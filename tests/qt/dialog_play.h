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
#include <QPushButton>
#include <QTableView>
#include <QTimer>

#include "qmz/error.h"
#include "qt/form_dialog.h"
#include "qt/ledger_model.h"

namespace qmz::testing {

inline std::string S(const QString& text) {
  return text.toStdString();
}

// The model index of data row `row` (from 0) in ledger column `col` (from 1; the view holds
// the shown columns only).
inline QModelIndex CellIndex(const QTableView& table, int row, int32_t col) {
  const auto* model = static_cast<const LedgerModel*>(table.model());
  return model->index(row, model->ModelColumn(col));
}
// The text of that cell.
inline std::string CellText(const QTableView& table, int row, int32_t col) {
  return CellIndex(table, row, col).data().toString().toStdString();
}
// The middle of that cell.
inline QPoint CellCenter(QTableView& table, int row, int32_t col) {
  return table.visualRect(CellIndex(table, row, col)).center();
}

// Answers the next question box (yes or no) as soon as it shows, keeping its text in `asked`.
inline void AnswerNextQuestion(bool yes, std::string* asked = nullptr) {
  auto* look = new QTimer(QCoreApplication::instance());  // the application's, whatever loop ends
  QObject::connect(look, &QTimer::timeout, [look, yes, asked] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible()) return;
    if (asked) *asked = box->text().toStdString();
    look->stop();
    box->button(yes ? QMessageBox::Yes : QMessageBox::No)->click();
  });
  look->start(10);
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
