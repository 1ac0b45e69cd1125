// The dialogs as real Qt dialogs on the demo suite, as a user meets them (offscreen): the
// batch picker, the aux picker and the base-data list take the user's clicks and keys; an idle
// dialog does no work, the designed widths hold their texts, a dialog opens over the host's
// window.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <QApplication>
#include <QColor>
#include <QDialog>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include "base_data_list/frm_base_list.h"
#include "integration/demo_suite.h"
#include "list_services/list_settings.h"
#include "login/user_profile.h"
#include "platform/ui/ledger.h"
#include "qmz/baselist.h"
#include "qmz/suite.h"
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
  // The base-data list of batches shown to `user`, who gets its search box and grid; answers
  // whether the user played and the dialog's OK.
  std::pair<bool, bool> PlayBaseDataList(
      const std::function<void(QDialog&, QLineEdit&, QTableView&, frmBaseList&)>& user) {
    ListSettings().ListClassID = 18;
    frmBaseList form;
    form.RunLoad();
    DialogPlay play([&](QDialog& dialog) {
      auto* box = dialog.findChild<QLineEdit*>("txtNumber");
      auto* table = dialog.findChild<QTableView*>("LDGBase");
      ASSERT_TRUE(box && table);
      user(dialog, *box, *table, form);
    });
    form.ShowModal();
    const std::pair<bool, bool> outcome{play.Played(), form.OK()};
    form.RunUnload();
    return outcome;
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
    EXPECT_EQ(CellText(*table, table->currentIndex().row(), 3), "B2603");
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
    dialog.reject();
  });
  form.ShowModal();
  form.RunUnload();
  EXPECT_TRUE(play.Played());
}

// The text of the base-data list's current cell and its column title.
std::string CurrentCell(QTableView& table) {
  const QModelIndex cell = table.currentIndex();
  return S(table.model()->headerData(cell.column(), Qt::Horizontal).toString() + ":" +
           cell.data().toString());
}

TEST_F(DialogsInUseTest, PageDownAndRightMoveInTheBaseDataListWhileTypedQuotesAreRefused) {
  const auto [played, ok] =
      PlayBaseDataList([](QDialog&, QLineEdit& box, QTableView& table, frmBaseList& form) {
        box.setFocus();
        QTest::keyClicks(&box, "B'2\"6");
        EXPECT_EQ(S(box.text()), "B26");
        QTest::keyClick(&box, Qt::Key_Home);
        QTest::keyClick(&box, Qt::Key_Right);  // the caret moves
        EXPECT_EQ(box.cursorPosition(), 1);

        table.setFocus();
        ASSERT_EQ(QApplication::focusWidget(), &table);
        QTest::keyClick(&table, Qt::Key_Home);
        EXPECT_EQ(CurrentCell(table), "批号:A'B");
        QTest::keyClick(&table, Qt::Key_Right);
        EXPECT_EQ(CurrentCell(table), "辅助属性名称:");
        QTest::keyClick(&table, Qt::Key_PageDown);  // ten rows down, in the same column
        EXPECT_EQ(form.LDGBase().CursorRow(), 12);
        EXPECT_EQ(CurrentCell(table), "辅助属性名称:Red");
        QTest::keyClick(&table, Qt::Key_PageDown);  // the last row
        EXPECT_EQ(form.LDGBase().CursorRow(), 15);
        QTest::keyClick(&table, Qt::Key_Left);
        EXPECT_EQ(CurrentCell(table), "批号:P-03");
        QTest::keyClick(&table, Qt::Key_Escape);
      });
  ASSERT_TRUE(played);
  EXPECT_FALSE(ok);
}

TEST_F(DialogsInUseTest, TheBatchPickerHoldsDatesAndAmountsStaysUsableSmallAndReturnsTheChoice) {
  DialogPlay play([&](QDialog& dialog) {
    auto* item = dialog.findChild<QLabel*>("lblNo");
    auto* table = dialog.findChild<QTableView*>();
    auto* yes = dialog.findChild<QPushButton*>("cmdYes");
    ASSERT_TRUE(item && table && yes);
    EXPECT_EQ(S(dialog.windowTitle() + "|" + item->text()) + "|" + CellText(*table, 0, 7) + "|" +
                  CellText(*table, 0, 8),
              "请选择批号|商品代码:A001|14.00|2026-03-01");
    // The designed size is wider than the offscreen screen (800 pixels): the dialog stays inside.
    const QRect area = dialog.screen()->availableGeometry();
    EXPECT_TRUE(area.contains(dialog.frameGeometry()))
        << dialog.frameGeometry().width() << "x" << dialog.frameGeometry().height() << " in "
        << area.width() << "x" << area.height();
    // The room a cell leaves its text: the column less the margins either side.
    const int margins = 2 * (table->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1);
    const QFontMetrics metrics = table->fontMetrics();
    EXPECT_GE(table->columnWidth(7) - margins, metrics.horizontalAdvance("2026-03-15"));
    EXPECT_GE(table->columnWidth(6) - margins, metrics.horizontalAdvance("1,234,567.00"));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, CellCenter(*table, 1, 2));
    // At its smallest the dialog keeps its search box and buttons usable.
    dialog.resize(1, 1);
    QCoreApplication::processEvents();
    auto* box = dialog.findChild<QLineEdit*>("txtBatchNo");
    ASSERT_TRUE(box);
    EXPECT_GE(box->width(), box->fontMetrics().horizontalAdvance("B2601-0001"));
    for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
      EXPECT_GE(button->width(), button->sizeHint().width()) << S(button->text());
    }
    yes->click();
  });
  ObjectPtr row = BaseList().ShowBatch(1, "", 0, 0, 1030003);
  ASSERT_TRUE(play.Played());
  EXPECT_EQ(Fields(row, {"FBatchNo", "stockName"}), "B2601|上海仓");  // the second row
}

TEST_F(DialogsInUseTest, AScanTypedIntoTheBatchPickersBoxSelectsItsRow) {
  Exec(
      "update t_cc_inventory set FPeriodDate = '2027-06-30' where FBatchNo = 'B2601' and "
      "FStockID = 2");
  host.Set("ScanGS1", 1);
  DialogPlay play([&](QDialog& dialog) {
    auto* box = dialog.findChild<QLineEdit*>("txtBatchNo");
    auto* table = dialog.findChild<QTableView*>();
    auto* yes = dialog.findChild<QPushButton*>("cmdYes");
    ASSERT_TRUE(box && table && yes);
    box->setFocus();
    // A keyboard-wedge scanner: the characters, its group separator as Ctrl+], then Enter.
    QTest::keyClicks(box, "]C110B2601");
    QTest::sendKeyEvent(QTest::Click, box, Qt::Key_BracketRight, QString(QChar(0x1d)),
                        Qt::ControlModifier);
    QTest::keyClicks(box, "17270600");
    QTest::keyClick(box, Qt::Key_Return);
    // The box holds the scan, selected: the next scan replaces it.
    EXPECT_EQ(S(box->text()),
              "]C110B2601\x1d"
              "17270600");
    EXPECT_EQ(box->selectedText(), box->text());
    EXPECT_EQ(CellText(*table, table->currentIndex().row(), 4), "上海仓");
    yes->click();
  });
  ObjectPtr row = BaseList().ShowBatch(1, "", 0, 0, 1030003);
  ASSERT_TRUE(play.Played());
  EXPECT_EQ(Fields(row, {"FBatchNo", "stockName"}), "B2601|上海仓");
}

TEST_F(DialogsInUseTest, TheAuxPickerOpensOverTheHostsWindowAndTakesADoubleClickedRow) {
  QMainWindow window;
  window.show();
  QApplication::setActiveWindow(&window);
  DialogPlay play([&](QDialog& dialog) {
    EXPECT_EQ(dialog.parentWidget(), &window);
    auto* table = dialog.findChild<QTableView*>();
    ASSERT_TRUE(table);
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, CellCenter(*table, 0, 2));
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, CellCenter(*table, 0, 2));
  });
  ObjectPtr row = BaseList().ShowAux(2, "Blue", 0, 0, 1030003);
  ASSERT_TRUE(play.Played());
  EXPECT_EQ(Fields(row, {"AuxName", "stockName"}), "Blue|全部仓库");
}

// The three pickers as the entry points open them: the batch pickers of an untracked item
// (frmStock) and of a batch-tracked one (frmSelectBatchNo), and the aux picker; a fragment for
// the search box, the list it narrows to, and the second row's key and warehouse.
struct PickerCase {
  const char* name;
  const char* box;
  const char* key;
  const char* fragment;
  const char* narrowed;
  const char* second_row;
  std::function<ObjectPtr()> open;
};
std::vector<PickerCase> Pickers() {
  return {
      {"frmStock", "txtBatchNo", "FBatchNo", "2601", "B2601\nB2601\nB2601\n", "B2601|上海仓",
       [] { return BaseList().ShowBatch(1, "", 0, 0, 1030003); }},
      {"frmSelectBatchNo", "txtBatchNo", "FBatchNo", "0002", "N-0002\n", "N-0002|上海仓",
       [] { return BaseList().ShowBatch(4, "", 0, 0, 1030003); }},
      {"frmSelectAux", "txtAux", "AuxName", "Blue", "Blue\nBlue\n", "Blue|北京仓",
       [] { return BaseList().ShowAux(2, "", 0, 0, 1030003); }},
  };
}

// The texts of a grid column (from 0), one line each.
std::string ColumnOf(QTableView& table, int col) {
  std::string texts;
  for (int row = 0; row < table.model()->rowCount(); ++row) {
    texts += S(table.model()->index(row, col).data().toString()) + "\n";
  }
  return texts;
}

// Enter in the search box runs the query, Enter on a row confirms it, Escape chooses nothing.
TEST_F(DialogsInUseTest, InEveryPickerEnterQueriesInTheBoxOrConfirmsARowAndEscapeCloses) {
  for (const PickerCase& picker : Pickers()) {
    SCOPED_TRACE(picker.name);
    DialogPlay query([&](QDialog& dialog) {
      auto* box = dialog.findChild<QLineEdit*>(picker.box);
      auto* table = dialog.findChild<QTableView*>("Ledger");
      auto* no = dialog.findChild<QPushButton*>("cmdNo");
      ASSERT_TRUE(box && table && no);
      box->setFocus();
      QTest::keyClicks(box, picker.fragment);
      QTest::keyClick(box, Qt::Key_Return);
      EXPECT_EQ(ColumnOf(*table, 1), picker.narrowed);
      no->click();
    });
    EXPECT_EQ(picker.open(), nullptr);
    EXPECT_TRUE(query.Played());

    DialogPlay confirm([&](QDialog& dialog) {
      auto* table = dialog.findChild<QTableView*>("Ledger");
      ASSERT_TRUE(table);
      table->setFocus();
      QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, CellCenter(*table, 1, 2));
      QTest::keyClick(table, Qt::Key_Return);
    });
    ObjectPtr row = picker.open();
    EXPECT_TRUE(confirm.Played());
    EXPECT_EQ(Fields(row, {picker.key, "stockName"}), picker.second_row);

    DialogPlay escape(
        [&](QDialog& dialog) {
          auto* table = dialog.findChild<QTableView*>("Ledger");
          ASSERT_TRUE(table);
          table->setFocus();  // a row under the cursor: Escape still chooses nothing
          QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, CellCenter(*table, 0, 2));
          ASSERT_EQ(QApplication::focusWidget(), table);
          QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        },
        std::chrono::seconds(3));
    EXPECT_EQ(picker.open(), nullptr);
    EXPECT_TRUE(escape.Played());
  }
}

// The data rows (from 0) a grid shows selected, in order.
std::string SelectedRows(QTableView& table) {
  std::vector<int> rows;
  for (const QModelIndex& index : table.selectionModel()->selectedRows()) {
    rows.push_back(index.row());
  }
  std::sort(rows.begin(), rows.end());
  std::string text;
  for (int row : rows) text += (text.empty() ? "" : ",") + std::to_string(row);
  return text;
}

TEST_F(DialogsInUseTest, InTheMultiRowPickersShiftKeysExtendAndCtrlASelectsEveryRow) {
  using Key = std::pair<Qt::Key, Qt::KeyboardModifiers>;
  // Clicks data row `row`, presses `keys` in the grid, sees the rows shown selected, confirms.
  auto choose = [](const std::function<ObjectPtr()>& open, int row, const std::vector<Key>& keys,
                   const std::string& selected, const std::vector<std::string>& fields) {
    DialogPlay play([&](QDialog& dialog) {
      auto* table = dialog.findChild<QTableView*>("Ledger");
      ASSERT_TRUE(table);
      table->setFocus();
      QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, CellCenter(*table, row, 2));
      for (const auto& [key, modifiers] : keys) QTest::keyClick(table, key, modifiers);
      EXPECT_EQ(SelectedRows(*table), selected);
      QTest::keyClick(table, Qt::Key_Return);
    });
    ObjectPtr rows = open();
    EXPECT_TRUE(play.Played());
    return Fields(rows, fields);
  };
  const Qt::KeyboardModifiers shift = Qt::ShiftModifier;
  EXPECT_EQ(choose([] { return BaseList().ShowBatchForMultiSelBatchNo(1, "", 0, 0, 1030003); }, 0,
                   {{Qt::Key_Down, shift}, {Qt::Key_Down, shift}, {Qt::Key_Up, shift}}, "0,1",
                   {"FBatchNo", "stockName"}),
            "A'B|广州仓,B2601|上海仓");  // frmStock
  EXPECT_EQ(choose([] { return BaseList().ShowBatchForMultiSelBatchNo(4, "", 0, 0, 1030003); }, 0,
                   {{Qt::Key_A, Qt::ControlModifier}}, "0,1", {"FBatchNo"}),
            "N-0001,N-0002");  // frmSelectBatchNo
  // Page Down reaches the last row; Page Up from there passes the first click's row.
  EXPECT_EQ(choose([] { return BaseList().ShowAuxForMultiSel(2, "", 0, 0, 1030003); }, 1,
                   {{Qt::Key_PageDown, shift}}, "1,2,3,4,5,6,7", {"AuxName"}),
            "Blue,Dark Red,Dark Red,Green,Red,Red,Red");
  EXPECT_EQ(
      choose([] { return BaseList().ShowAuxForMultiSel(2, "", 0, 0, 1030003); }, 1,
             {{Qt::Key_PageDown, shift}, {Qt::Key_PageUp, shift}}, "0,1", {"AuxName", "stockName"}),
      "Blue|北京仓,Blue|全部仓库");
}

// A required quantity: the preselected rows, a row Ctrl-clicked in and out, its quantity typed
// into the 取用数量 box, the tally following each step; B2601 marked amber (4 days left). Then
// the keyboard alone: the cursor moves apart from the cover, Space takes the cursor row in and
// out, the search box's Up and Down move the cursor, a short choice is asked about.
TEST_F(DialogsInUseTest, TheClerkChangesTheRowsThatCoverARequiredQuantity) {
  host.Set("DocumentDate", "2027-01-01");
  host.Set("ExpiryWarnDays", 10);
  DialogPlay play([&](QDialog& dialog) {
    auto* table = dialog.findChild<QTableView*>("Ledger");
    auto* tally = dialog.findChild<QLabel*>("lblTally");
    auto* caption = dialog.findChild<QLabel*>("lblTakeQty");
    auto* reason = dialog.findChild<QLabel*>("lblReason");
    auto* box = dialog.findChild<QLineEdit*>("txtTakeQty");
    auto* search = dialog.findChild<QLineEdit*>("txtBatchNo");
    ASSERT_TRUE(table && tally && caption && reason && box && search);
    EXPECT_EQ(SelectedRows(*table), "1,2");  // B2601 in 上海仓 and 北京仓
    EXPECT_EQ(S(tally->text()), "需要 150 / 已选 150 / 尚缺 0");
    EXPECT_EQ(table->model()->index(1, 0).data(Qt::BackgroundRole).value<QColor>(),
              QColor(255, 224, 130));
    EXPECT_FALSE(table->model()->index(0, 0).data(Qt::BackgroundRole).isValid());  // A'B
    // A screen reader meets the named grid, its shown columns and the row's mark.
    EXPECT_EQ(S(table->accessibleName()), "批号列表");
    EXPECT_EQ(table->model()->columnCount(), 10);  // stockID and FBatchNoIndex are not there
    // The 取用数量 column stands beside the quantity, whole on the 800-pixel offscreen screen.
    QHeaderView& header = *table->horizontalHeader();
    EXPECT_EQ(S(table->model()->headerData(5, Qt::Horizontal).toString()), "取用数量");
    EXPECT_LE(header.sectionViewportPosition(5) + header.sectionSize(5),
              table->viewport()->width());
    EXPECT_GE(header.sectionSize(5), header.fontMetrics().horizontalAdvance("取用数量"));
    EXPECT_EQ(S(table->model()->index(1, 3).data(Qt::AccessibleDescriptionRole).toString()),
              "即将过期");
    // The selected 北京仓 keeps its amber band beside the selection colour.
    const QImage shot = table->viewport()->grab().toImage();
    const QRect cell = table->visualRect(table->model()->index(2, 0));
    EXPECT_EQ(shot.pixelColor(cell.left() + 2, cell.center().y()).rgb(),
              QColor(255, 224, 130).darker(130).rgb());
    auto ctrl_click = [&](int row) {
      QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::ControlModifier,
                        CellCenter(*table, row, 2));
    };
    ctrl_click(4);  // B2603: nothing is missing, it takes nothing yet
    EXPECT_EQ(S(box->text()), "0");
    EXPECT_EQ(S(caption->text()), "取用数量(&T)，B2603（上海仓）：");
    EXPECT_EQ(S(box->accessibleName()), "取用数量(T)，B2603（上海仓）：");  // what is heard
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, "12");
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(S(tally->text()), "需要 150 / 已选 162 / 超出 12");
    EXPECT_EQ(CellText(*table, 4, 12), "12");
    ctrl_click(2);  // 北京仓 out, and in again: it takes what is missing
    EXPECT_EQ(S(tally->text()), "需要 150 / 已选 52 / 尚缺 98");
    EXPECT_EQ(S(caption->text()), "取用数量(&T)，B2601（北京仓）：");
    ctrl_click(2);
    EXPECT_EQ(S(tally->text()), "需要 150 / 已选 150 / 尚缺 0");
    // Keys: Up moves the cursor and keeps the cover; Space takes 上海仓 out and in again.
    table->setFocus();
    QTest::keyClick(table, Qt::Key_Up);
    EXPECT_EQ(SelectedRows(*table), "1,2,4");
    EXPECT_EQ(S(reason->text()),
              "即将过期：有效期至 2027-01-05，距单据日期 2027-01-01 还有 4 天（提前 "
              "10 天提醒）");
    QTest::keyClick(table, Qt::Key_Space);
    EXPECT_EQ(S(tally->text()), "需要 150 / 已选 110 / 尚缺 40");
    EXPECT_EQ(SelectedRows(*table), "2,4");
    // Up and Down in the search box move the grid's cursor too.
    search->setFocus();
    QTest::keyClick(search, Qt::Key_Down);
    QTest::keyClick(search, Qt::Key_Down);
    EXPECT_EQ(S(caption->text()), "取用数量(&T)，B2601（虚拟仓）：");
    QTest::keyClick(search, Qt::Key_Up);
    QTest::keyClick(search, Qt::Key_Up);
    table->setFocus();
    QTest::keyClick(table, Qt::Key_Space);
    EXPECT_EQ(SelectedRows(*table), "1,2,4");
    // Short or over, the clerk is asked first: no keeps the dialog, yes confirms.
    ctrl_click(4);
    std::string asked;
    AnswerNextQuestion(false, &asked);
    QTest::keyClick(table, Qt::Key_Return);
    EXPECT_EQ(asked, "已选 138，比需要的 150 少 12。仍然确定吗？");
    EXPECT_TRUE(dialog.isVisible());
    AnswerNextQuestion(true, &asked);
    QTest::keyClick(table, Qt::Key_Return);
  });
  BaseList list;
  list.RequiredQty(150);
  ObjectPtr rows = list.ShowBatchForMultiSelBatchNo(1, "", 0, 0, 1030003);
  ASSERT_TRUE(play.Played());
  EXPECT_EQ(Fields(rows, {"FBatchNo", "stockName", "FTakeQty"}), "B2601|北京仓|98,B2601|上海仓|40");
}

// Drags the right border of grid column `col` (from 0) by `dx` pixels on the title row.
void DragBorder(QTableView& table, int col, int dx) {
  QHeaderView& header = *table.horizontalHeader();
  const QPoint border(header.sectionViewportPosition(col) + header.sectionSize(col) - 1,
                      header.height() / 2);
  QTest::mousePress(header.viewport(), Qt::LeftButton, {}, border);
  QTest::mouseMove(header.viewport(), border + QPoint(dx, 0));
  QTest::mouseRelease(header.viewport(), Qt::LeftButton, {}, border + QPoint(dx, 0));
}

TEST_F(DialogsInUseTest, ATitleBorderDragsItsColumnAndTheOtherBatchPickerShowsTheWidth) {
  int dragged = 0;
  DialogPlay first([&](QDialog& dialog) {  // frmStock: 单价 is its sixth column
    auto* table = dialog.findChild<QTableView*>("Ledger");
    auto* no = dialog.findChild<QPushButton*>("cmdNo");
    ASSERT_TRUE(table && no);
    ASSERT_EQ(S(table->model()->headerData(5, Qt::Horizontal).toString()), "单价");
    const int before = table->columnWidth(5);
    DragBorder(*table, 5, 30);
    dragged = table->columnWidth(5);
    EXPECT_EQ(dragged, before + 30);
    QTest::mouseClick(dialog.findChild<QPushButton*>("cmdQuery"), Qt::LeftButton);
    EXPECT_EQ(table->columnWidth(5), dragged);  // the grid set up again keeps it
    no->click();
  });
  EXPECT_EQ(BaseList().ShowBatch(1, "", 0, 0, 1030003), nullptr);
  ASSERT_TRUE(first.Played());
  const std::string saved = GetUserProfile("BaseList", "ColWidth");
  DialogPlay second([&](QDialog& dialog) {  // frmSelectBatchNo: 单价 after 单位
    auto* table = dialog.findChild<QTableView*>("Ledger");
    ASSERT_TRUE(table);
    ASSERT_EQ(S(table->model()->headerData(6, Qt::Horizontal).toString()), "单价");
    EXPECT_EQ(table->columnWidth(6), dragged);
    dialog.findChild<QPushButton*>("cmdNo")->click();
  });
  EXPECT_EQ(BaseList().ShowBatch(4, "", 0, 0, 1030003), nullptr);
  EXPECT_TRUE(second.Played());
  EXPECT_EQ(GetUserProfile("BaseList", "ColWidth"), saved);  // shown, not changed: not saved
}

TEST_F(DialogsInUseTest, InTheBaseDataListATitleCellClickTakesTheCodeABorderPressDoesNot) {
  const auto [played, ok] =
      PlayBaseDataList([](QDialog& dialog, QLineEdit& box, QTableView& table, frmBaseList&) {
        QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, CellCenter(table, 1, 3));
        box.setFocus();
        QTest::keyClick(&box, Qt::Key_End);
        QTest::keyClicks(&box, "X");
        ASSERT_EQ(S(box.text()), "B2601X");
        QHeaderView& header = *table.horizontalHeader();
        // The batch title: the first column shown (the two before it are hidden).
        const int before = table.columnWidth(0);
        DragBorder(table, 0, 25);
        EXPECT_EQ(table.columnWidth(0), before + 25);
        EXPECT_EQ(S(box.text()), "B2601X");
        const QPoint title(header.sectionViewportPosition(0) + 10, header.height() / 2);
        QTest::mouseClick(header.viewport(), Qt::LeftButton, {}, title);
        EXPECT_EQ(S(box.text()), "B2601");
        // A double click there sorts by the batch numbers, descending; equal ones keep the
        // order they were read in (their warehouses).
        QTest::mouseDClick(header.viewport(), Qt::LeftButton, {}, title);
        std::vector<std::string> rows;
        for (int row = 0; row < table.model()->rowCount(); ++row) {
          rows.push_back(CellText(table, row, 3) + " " + CellText(table, row, 6));
        }
        EXPECT_THAT(rows, ::testing::ElementsAre("P-03 北京仓", "P-02 北京仓", "P-01 上海仓",
                                                 "P-01 北京仓", "N-0002 上海仓", "N-0001 北京仓",
                                                 "B2604 北京仓", "B2603 上海仓", "B2602 北京仓",
                                                 "B2601 上海仓", "B2601 北京仓", "B2601 北京仓",
                                                 "B2601 虚拟仓", "A'B 广州仓"));
        dialog.reject();
      });
  EXPECT_TRUE(played);
  EXPECT_FALSE(ok);
}

// Processor time of the calling thread, in seconds.
double ThreadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

TEST_F(DialogsInUseTest, ALongListShowsItsProgressAndEscapeOrCancelStopsIt) {
  AddInventoryRows(600000);  // a first list that takes a while
  for (const bool escape : {true, false}) {
    std::string shown;
    double cpu_at = 0, cpu_spent = -1;
    std::chrono::steady_clock::time_point seen;
    std::chrono::duration<double> waited{};
    // The user watches the dialog for half a second once its progress shows, then stops the read
    // (while its rows come in, or while the suite puts them in order).
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
      QWidget* dialog = QApplication::activeModalWidget();
      auto* text = dialog ? dialog->findChild<QLabel*>("readProgressText") : nullptr;
      auto* cancel = dialog ? dialog->findChild<QPushButton*>("cmdCancelRead") : nullptr;
      if (!text || !cancel || !text->isVisible()) {
        // Read before the user stopped it: closed, so that the checks below fail, not hang.
        if (cpu_at != 0 && dialog) {
          look.stop();
          QTest::keyClick(dialog, Qt::Key_Escape);
        }
        return;
      }
      if (cpu_spent < 0 && cpu_at == 0) {
        cpu_at = ThreadSeconds();
        seen = std::chrono::steady_clock::now();
        return;
      }
      waited = std::chrono::steady_clock::now() - seen;
      if (waited.count() < 0.5) return;
      cpu_spent = ThreadSeconds() - cpu_at;
      shown = S(dialog->windowTitle() + "|" + text->text() + "|" + cancel->text());
      look.stop();
      if (escape) {
        QTest::keyClick(dialog, Qt::Key_Escape);
      } else {
        QTest::mouseClick(cancel, Qt::LeftButton);
      }
    });
    look.start(50);
    int32_t user = 0;
    EXPECT_EQ(BaseList().Show(user, 18), nullptr);
    EXPECT_EQ(LastFailure(), "");
    EXPECT_THAT(shown, ::testing::AnyOf(::testing::StartsWith("基础资料|正在读取数据… 已读 "),
                                        ::testing::StartsWith("基础资料|正在排序… ")));
    EXPECT_THAT(shown, ::testing::EndsWith(" 秒|取消"));
    // Waiting cost the user-interface thread next to nothing: 20 looks and four repaints a
    // second, where a busy wait would cost it the whole time.
    EXPECT_LT(cpu_spent, 0.1 * waited.count());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);  // the dialog is gone
    EXPECT_EQ(StatementsRunningOnTheServer(), 0);
  }
  // The whole list read, a double click on the batch title sorts it: the same strip shows, and
  // Escape to the widget with the focus stops the sort. The rows keep the order they were read
  // in (sorted they would begin with P-03), the cursor its row.
  std::string sorting;
  const auto [played, ok] =
      PlayBaseDataList([&](QDialog& dialog, QLineEdit&, QTableView& table, frmBaseList& form) {
        QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, CellCenter(table, 2, 3));
        QTimer look;
        QObject::connect(&look, &QTimer::timeout, [&] {
          auto* text = dialog.findChild<QLabel*>("readProgressText");
          if (!text || !text->isVisible()) return;
          sorting = S(text->text());
          look.stop();
          QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        });
        look.start(50);
        QHeaderView& header = *table.horizontalHeader();
        const QPoint title(header.sectionViewportPosition(0) + 10, header.height() / 2);
        QTest::mouseDClick(header.viewport(), Qt::LeftButton, {}, title);
        std::vector<std::string> codes;
        for (int row = 0; row < 3; ++row) {
          codes.push_back(CellText(table, row, 3));
        }
        EXPECT_THAT(codes, ::testing::ElementsAre("A'B", "B2601", "B2601"));
        EXPECT_EQ(form.LDGBase().CursorRow(), 4);
        EXPECT_EQ(form.Detail()->Data()->Sort(), "");
        dialog.reject();
      });
  EXPECT_TRUE(played);
  EXPECT_FALSE(ok);
  EXPECT_THAT(sorting, ::testing::StartsWith("正在排序… "));
}

}  // namespace
}  // namespace qmz::testing
