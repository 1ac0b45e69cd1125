// The base-data list and the aux picker as real Qt dialogs on the demo suite (offscreen).
#include <gtest/gtest.h>

#include <cstdlib>

#include <QDialog>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

#include "integration/demo_suite.h"
#include "qmz/baselist.h"
#include "qt/dialog_play.h"
#include "qt/qt_modal_host.h"

namespace qmz::testing {
namespace {

using QtDialogsTest = DemoSuite;

TEST_F(QtDialogsTest, TypingInTheBaseDataListLocatesAndEnterReturnsTheRows) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ::setenv("QMZ_COMPONENT_DIR", Folder().c_str(), 1);
  QtModalHost host;
  ModalHostScope scope(host);
  std::string title, current;
  DialogPlay play([&](QDialog& dialog) {
    title = dialog.windowTitle().toStdString();
    auto* box = dialog.findChild<QLineEdit*>();
    ASSERT_TRUE(box);
    box->setFocus();
    QTest::keyClicks(box, "B2603");
    auto* table = dialog.findChild<QTableView*>();
    ASSERT_TRUE(table);
    current = table->model()->index(table->currentIndex().row(), 2).data().toString().toStdString();
    QTest::keyClick(box, Qt::Key_Return);
  });
  BaseList list;
  int32_t user = 0;
  auto rows = std::dynamic_pointer_cast<Recordset>(list.Show(user, 18));
  ::unsetenv("QMZ_COMPONENT_DIR");
  ASSERT_TRUE(play.Played());
  EXPECT_EQ(title, "基础资料");
  EXPECT_EQ(current, "B2603");  // the typed code moved the selection
  ASSERT_TRUE(rows);
  ASSERT_EQ(rows->RecordCount(), 1);
  rows->MoveFirst();
  EXPECT_EQ(rows->Value("FBatchNo").ToText(), "B2603");
}

TEST_F(QtDialogsTest, TheAuxPickerTakesADoubleClickedRow) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QtModalHost host;
  ModalHostScope scope(host);
  std::string title;
  DialogPlay play([&](QDialog& dialog) {
    title = dialog.windowTitle().toStdString();
    auto* table = dialog.findChild<QTableView*>();
    ASSERT_TRUE(table);
    QPoint cell = table->visualRect(table->model()->index(0, 1)).center();
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell);
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell);
  });
  BaseList list;
  auto row = std::dynamic_pointer_cast<Dictionary>(list.ShowAux(2, "Blue", 0, 0, 1030003));
  ASSERT_TRUE(play.Played());
  EXPECT_EQ(title, "请选择辅助属性");
  ASSERT_TRUE(row);
  EXPECT_EQ(row->Get("AuxName").ToText(), "Blue");
  EXPECT_EQ(row->Get("stockName").ToText(), "全部仓库");
}

}  // namespace
}  // namespace qmz::testing
