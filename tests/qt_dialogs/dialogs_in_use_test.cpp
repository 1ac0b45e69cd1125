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

class DialogsInUseTest : public DemoSuiteWithComponentFolder {
 protected:
  static void SetUpTestSuite() {
    DemoSuite::SetUpTestSuite();
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  }
  QtModalHost host_;
  ModalHostScope scope_{host_};
};

TEST_F(DialogsInUseTest, TypingInTheBaseDataListLocatesAndEnterReturnsTheRows) {
  DialogPlay play([&](QDialog& dialog) {
    EXPECT_EQ(S(dialog.windowTitle()), "基础资料");
    auto* box = dialog.findChild<QLineEdit*>();
    auto* table = dialog.findChild<QTableView*>();
    ASSERT_TRUE(box && table);
    box->setFocus();
    QTest::keyClicks(box, "B2603");  // the typed code moves the selection
    EXPECT_EQ(S(table->model()->index(table->currentIndex().row(), 2).data().toString()), "B2603");
    QTest::keyClick(box, Qt::Key_Return);
  });
  int32_t user = 0;
  auto rows = std::dynamic_pointer_cast<Recordset>(BaseList().Show(user, 18));
  ASSERT_TRUE(play.Played());
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
  DialogPlay play([&](QDialog& dialog) {
    IdleFor(20);  // shown and painted
    const int settled = asked;
    EXPECT_GT(settled, 0);  // the rows were painted
    IdleFor(200);
    EXPECT_EQ(asked, settled);
    // The form discards Right and Page Down: the caret stays where Home put it.
    auto* box = dialog.findChild<QLineEdit*>();
    ASSERT_TRUE(box);
    QTest::keyClicks(box, "B26");
    QTest::keyClick(box, Qt::Key_Home);
    QTest::keyClick(box, Qt::Key_Right);
    QTest::keyClick(box, Qt::Key_PageDown);
    EXPECT_EQ(box->cursorPosition(), 0);
    dialog.reject();
  });
  form.ShowModal();
  form.RunUnload();
  EXPECT_TRUE(play.Played());
}

TEST_F(DialogsInUseTest, TheBatchPickersWidthsHoldDatesAndAmountsAndItReturnsTheChoice) {
  DialogPlay play([&](QDialog& dialog) {
    auto* item = dialog.findChild<QLabel*>("lblNo");
    auto* table = dialog.findChild<QTableView*>();
    auto* yes = dialog.findChild<QPushButton*>("cmdYes");
    ASSERT_TRUE(item && table && yes);
    EXPECT_EQ(S(dialog.windowTitle() + "|" + item->text() + "|" +
                table->model()->index(0, 6).data().toString() + "|" +
                table->model()->index(0, 7).data().toString()),
              "请选择批号|商品代码:A001|14.00|2026-03-01");
    // The room a cell leaves its text: the column less the margins either side.
    const int margins = 2 * (table->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1);
    const QFontMetrics metrics = table->fontMetrics();
    EXPECT_GE(table->columnWidth(7) - margins, metrics.horizontalAdvance("2026-03-15"));
    EXPECT_GE(table->columnWidth(6) - margins, metrics.horizontalAdvance("1,234,567.00"));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, CellCenter(*table, 1, 1));
    yes->click();
  });
  ObjectPtr row = BaseList().ShowBatch(1, "", 0, 0, 1030003);
  ASSERT_TRUE(play.Played());
  EXPECT_EQ(Fields(row, {"FBatchNo", "stockName"}), "B2601|上海仓");  // the second row
}

TEST_F(DialogsInUseTest, TheAuxPickerOpensOverTheHostsWindowAndTakesADoubleClickedRow) {
  QMainWindow window;
  window.show();
  QApplication::setActiveWindow(&window);
  DialogPlay play([&](QDialog& dialog) {
    EXPECT_EQ(dialog.parentWidget(), &window);
    auto* table = dialog.findChild<QTableView*>();
    ASSERT_TRUE(table);
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, CellCenter(*table, 0, 1));
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, CellCenter(*table, 0, 1));
  });
  ObjectPtr row = BaseList().ShowAux(2, "Blue", 0, 0, 1030003);
  ASSERT_TRUE(play.Played());
  EXPECT_EQ(Fields(row, {"AuxName", "stockName"}), "Blue|全部仓库");
}

}  // namespace
}  // namespace qmz::testing
