// The batch picker as a real Qt dialog on the demo suite (offscreen): it opens with its Chinese
// captions and list, takes the user's click and confirm, and saves a screenshot.
#include <gtest/gtest.h>

#include <cstdlib>

#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include "integration/demo_suite.h"
#include "qmz/baselist.h"
#include "qt/dialog_play.h"
#include "qt/qt_modal_host.h"

namespace qmz::testing {
namespace {

using BatchPickerQtTest = DemoSuite;

TEST_F(BatchPickerQtTest, TheDialogShowsTheListAndReturnsTheChoice) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QtModalHost host;
  ModalHostScope scope(host);
  const std::string png = Folder() + "/picker.png";
  host.SetScreenshotPath(png);
  std::string title, item_label, first_row;
  // Plays the user once the dialog runs: click the first data row, then OK.
  DialogPlay play([&](QDialog& dialog) {
    title = dialog.windowTitle().toStdString();
    for (QLabel* label : dialog.findChildren<QLabel*>()) {
      if (label->text().startsWith(QString::fromUtf8("商品代码"))) {
        item_label = label->text().toStdString();
      }
    }
    auto* table = dialog.findChild<QTableView*>();
    ASSERT_TRUE(table);
    first_row = table->model()->index(0, 1).data().toString().toStdString();
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                      table->visualRect(table->model()->index(0, 1)).center());
    for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
      if (button->text().startsWith(QString::fromUtf8("确定"))) button->click();
    }
  });
  BaseList list;
  auto row = std::dynamic_pointer_cast<Dictionary>(list.ShowBatch(1, "B2601", 0, 0, 1030003));
  ASSERT_TRUE(play.Played());
  EXPECT_EQ(title, "请选择批号");
  EXPECT_EQ(item_label, "商品代码:A001");
  EXPECT_EQ(first_row, "B2601");
  ASSERT_TRUE(row);
  EXPECT_EQ(row->Get("FBatchNo").ToText(), "B2601");
  QImage shot(QString::fromStdString(png));
  ASSERT_FALSE(shot.isNull());
  EXPECT_GT(shot.width(), 300);
  // Not a blank image: the captions and the grid drew something.
  EXPECT_NE(shot.pixel(shot.width() / 2, shot.height() / 2), shot.pixel(2, 2));
}

}  // namespace
}  // namespace qmz::testing
