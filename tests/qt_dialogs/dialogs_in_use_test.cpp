// The dialogs as real Qt dialogs on the demo suite, as a user meets them (offscreen): the
// batch picker, the aux picker and the base-data list take the user's clicks and keys; an idle
// dialog does no work, keys the form discards stay discarded, the designed widths hold their
// texts, a dialog opens over the host's window.
#include <gtest/gtest.h>

#include <cstdlib>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QStyle>
#include <QTableView>
#include <QTest>

#include "baselist/frm_base_list.h"
#include "integration/demo_suite.h"
#include "list_services/list_settings.h"
#include "platform/ui/ledger.h"
#include "qmz/baselist.h"
#include "qt/dialog_play.h"
#include "qt/qt_modal_host.h"

namespace qmz::testing {
namespace {

// Events a dialog left alone keeps getting: timers, posted updates, the paint they cause.
void IdleFor(int rounds) {
  for (int i = 0; i < rounds; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

std::string S(const QString& text) {
  return text.toStdString();
}

// The middle of a data cell (from 0) of the dialog's grid.
QPoint CellCenter(QTableView& table, int row, int col) {
  return table.visualRect(table.model()->index(row, col)).center();
}

class DialogsInUseTest : public DemoSuite {
 protected:
  static void SetUpTestSuite() {
    DemoSuite::SetUpTestSuite();
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  }
  void SetUp() override {
    DemoSuite::SetUp();
    ::setenv("QMZ_COMPONENT_DIR", Folder().c_str(), 1);
    host_ = std::make_unique<QtModalHost>();
    scope_ = std::make_unique<ModalHostScope>(*host_);
  }
  void TearDown() override {
    scope_.reset();
    host_.reset();
    ::unsetenv("QMZ_COMPONENT_DIR");
    DemoSuite::TearDown();
  }
  std::unique_ptr<QtModalHost> host_;
  std::unique_ptr<ModalHostScope> scope_;
};

TEST_F(DialogsInUseTest, TypingInTheBaseDataListLocatesAndEnterReturnsTheRows) {
  std::string title, current;
  DialogPlay play([&](QDialog& dialog) {
    title = S(dialog.windowTitle());
    auto* box = dialog.findChild<QLineEdit*>();
    auto* table = dialog.findChild<QTableView*>();
    ASSERT_TRUE(box && table);
    box->setFocus();
    QTest::keyClicks(box, "B2603");
    current = S(table->model()->index(table->currentIndex().row(), 2).data().toString());
    QTest::keyClick(box, Qt::Key_Return);
  });
  int32_t user = 0;
  auto rows = std::dynamic_pointer_cast<Recordset>(BaseList().Show(user, 18));
  ASSERT_TRUE(play.Played());
  EXPECT_EQ(title, "基础资料");
  EXPECT_EQ(current, "B2603");  // the typed code moved the selection
  ASSERT_TRUE(rows);
  ASSERT_EQ(rows->RecordCount(), 1);
  rows->MoveFirst();
  EXPECT_EQ(rows->Value("FBatchNo").ToText(), "B2603");
}

TEST_F(DialogsInUseTest, AnIdleBaseDataListAsksForNothing) {
  ListSettings().ListClassID = 18;
  frmBaseList form;
  form.RunLoad();
  int asked = 0;
  auto answer = form.LDGBase().RowText;
  form.LDGBase().RowText = [&](int32_t row, std::string& text) {
    ++asked;
    answer(row, text);
  };
  int settled = -1, idle = -1, caret = -1;
  DialogPlay play([&](QDialog& dialog) {
    IdleFor(20);  // shown and painted
    settled = asked;
    IdleFor(200);
    idle = asked - settled;
    // The form discards Right and Page Down: the caret stays where Home put it.
    auto* box = dialog.findChild<QLineEdit*>();
    ASSERT_TRUE(box);
    QTest::keyClicks(box, "B26");
    QTest::keyClick(box, Qt::Key_Home);
    QTest::keyClick(box, Qt::Key_Right);
    QTest::keyClick(box, Qt::Key_PageDown);
    caret = box->cursorPosition();
    dialog.reject();
  });
  form.ShowModal();
  form.RunUnload();
  EXPECT_GT(settled, 0);  // the rows were painted
  EXPECT_EQ(idle, 0);
  EXPECT_EQ(caret, 0);
}

TEST_F(DialogsInUseTest, TheBatchPickersWidthsHoldDatesAndAmountsAndItReturnsTheChoice) {
  std::string title, item_label, date, amount;
  int date_room = 0, amount_room = 0;
  DialogPlay play([&](QDialog& dialog) {
    title = S(dialog.windowTitle());
    for (QLabel* label : dialog.findChildren<QLabel*>()) {
      if (label->text().startsWith(QString::fromUtf8("商品代码"))) item_label = S(label->text());
    }
    auto* table = dialog.findChild<QTableView*>();
    ASSERT_TRUE(table);
    // The room a cell leaves its text: the column less the margins either side.
    const int margins = 2 * (table->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1);
    const QFontMetrics metrics = table->fontMetrics();
    date = S(table->model()->index(0, 7).data().toString());
    amount = S(table->model()->index(0, 6).data().toString());
    date_room = table->columnWidth(7) - margins - metrics.horizontalAdvance("2026-03-15");
    amount_room = table->columnWidth(6) - margins - metrics.horizontalAdvance("1,234,567.00");
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, CellCenter(*table, 1, 1));
    for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
      if (button->text().startsWith(QString::fromUtf8("确定"))) button->click();
    }
  });
  ObjectPtr row = BaseList().ShowBatch(1, "", 0, 0, 1030003);
  ASSERT_TRUE(play.Played());
  EXPECT_EQ(title, "请选择批号");
  EXPECT_EQ(item_label, "商品代码:A001");
  EXPECT_EQ(date, "2026-03-01");
  EXPECT_EQ(amount, "14.00");
  EXPECT_GE(date_room, 0);
  EXPECT_GE(amount_room, 0);
  EXPECT_EQ(Fields(row, {"FBatchNo", "stockName"}), "B2601|上海仓");  // the second row
}

TEST_F(DialogsInUseTest, TheAuxPickerOpensOverTheHostsWindowAndTakesADoubleClickedRow) {
  QMainWindow window;
  window.show();
  QApplication::setActiveWindow(&window);
  const QWidget* parent = nullptr;
  std::string title;
  DialogPlay play([&](QDialog& dialog) {
    parent = dialog.parentWidget();
    title = S(dialog.windowTitle());
    auto* table = dialog.findChild<QTableView*>();
    ASSERT_TRUE(table);
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, CellCenter(*table, 0, 1));
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, CellCenter(*table, 0, 1));
  });
  ObjectPtr row = BaseList().ShowAux(2, "Blue", 0, 0, 1030003);
  ASSERT_TRUE(play.Played());
  EXPECT_EQ(parent, &window);
  EXPECT_EQ(title, "请选择辅助属性");
  EXPECT_EQ(Fields(row, {"AuxName", "stockName"}), "Blue|全部仓库");
}

}  // namespace
}  // namespace qmz::testing
