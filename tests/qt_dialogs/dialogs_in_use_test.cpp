// The Qt dialogs as a user meets them (offscreen): an idle dialog does no work, keys the form
// discards stay discarded, the designed widths hold their texts, a dialog opens over the
// host's window.
#include <gtest/gtest.h>

#include <cstdlib>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMainWindow>
#include <QStyle>
#include <QTableView>
#include <QTest>
#include <QTimer>

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

class DialogsInUseTest : public DemoSuite {
 protected:
  void SetUp() override {
    DemoSuite::SetUp();
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::setenv("QMZ_COMPONENT_DIR", Folder().c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("QMZ_COMPONENT_DIR");
    DemoSuite::TearDown();
  }
};

TEST_F(DialogsInUseTest, AnIdleBaseDataListAsksForNothing) {
  QtModalHost host;
  ModalHostScope scope(host);
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

TEST_F(DialogsInUseTest, DefaultWidthsHoldDatesAndAmounts) {
  QtModalHost host;
  ModalHostScope scope(host);
  std::string date, amount;
  int date_room = 0, amount_room = 0;
  DialogPlay play([&](QDialog& dialog) {
    auto* table = dialog.findChild<QTableView*>();
    ASSERT_TRUE(table);
    // The room a cell leaves its text: the column less the margins either side.
    const int margins = 2 * (table->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1);
    const QFontMetrics metrics = table->fontMetrics();
    date = table->model()->index(0, 7).data().toString().toStdString();
    amount = table->model()->index(0, 6).data().toString().toStdString();
    date_room = table->columnWidth(7) - margins - metrics.horizontalAdvance("2026-03-15");
    amount_room = table->columnWidth(6) - margins - metrics.horizontalAdvance("1,234,567.00");
    dialog.reject();
  });
  BaseList list;
  list.ShowBatch(1, "", 0, 0, 1030003);
  EXPECT_EQ(date, "2026-03-01");
  EXPECT_EQ(amount, "14.00");
  EXPECT_GE(date_room, 0);
  EXPECT_GE(amount_room, 0);
}

TEST_F(DialogsInUseTest, ADialogOpensOverTheHostsWindow) {
  QtModalHost host;
  ModalHostScope scope(host);
  QMainWindow window;
  window.show();
  QApplication::setActiveWindow(&window);
  const QWidget* parent = nullptr;
  DialogPlay play([&](QDialog& dialog) {
    parent = dialog.parentWidget();
    dialog.reject();
  });
  BaseList list;
  list.ShowAux(2, "", 0, 0, 0);
  EXPECT_EQ(parent, &window);
}

}  // namespace
}  // namespace qmz::testing
