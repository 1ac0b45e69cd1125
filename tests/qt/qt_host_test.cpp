#include "qt/qt_modal_host.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

#include <QCheckBox>
#include <QClipboard>
#include <QCursor>
#include <QFile>
#include <QHeaderView>
#include <QImage>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>

#include "platform/ui/form.h"
#include "platform/ui/ledger.h"
#include "qmz/error.h"
#include "qmz/host.h"
#include "qt/dialog_play.h"
#include "qt/key_codes.h"

namespace qmz {
namespace {

constexpr int32_t kDataRows = 10000;

using testing::CellCenter;
using testing::S;

// A customer picker: a search box, a check box, a button and a list of 10000 rows whose texts
// are counted as the grid pulls them.
struct PickForm {
  Form form{"frmPick"};
  std::shared_ptr<Ledger> grid = std::make_shared<Ledger>();
  std::map<int32_t, int> pulled;  // RowText calls per row
  std::vector<std::string> events;
  bool refuse_close = false;

  PickForm() {
    form.SetCaption("选择客户");
    form.SetSize(9600, 7200);
    form.SetKeyPreview(true);
    Label& label = form.AddLabel("lblFind");
    label.SetCaption("查找(&N)");
    label.SetBuddy("txtFind");
    form.AddTextBox("txtFind").SetToolTipText("编号或名称");
    form.AddCheckBox("chkAll").SetCaption("全部(&A)");
    CommandButton& ok = form.AddCommandButton("cmdOK");
    ok.SetCaption("确定(&O)");
    ok.Click = [this] { events.push_back("cmdOK.Click"); };
    form.AddGrid("grdList", grid).SetLine(1);
    grid->SetCols(3);
    grid->Column(1).SetWidth(1500);
    grid->Column(3).SetAlignment(kAlignRight);
    grid->SetRows(kDataRows + 1);
    grid->RowText = [this](int32_t row, std::string& text) {
      ++pulled[row];
      const std::string n = std::to_string(row - 1);
      text = row == 1 ? "编号|名称|余额" : "C" + n + "|客户" + n + "|" + n + ".00";
    };
    grid->Click = [this] {
      events.push_back("grdList.Click " + std::to_string(grid->CursorRow()));
    };
    grid->MouseMove = [this] {
      grid->SetToolTipText("第" + std::to_string(grid->MouseRow()) + "行");
    };
    form.KeyDown = [this](int16_t& code, int16_t) {
      if (code == kKeyF9) events.push_back("F9");
    };
    form.KeyPress = [](int16_t& ascii) {
      if (ascii == '"' || ascii == '\'') ascii = 0;  // quotes never reach the search text
    };
    form.QueryClose = [this](bool& cancel) {
      events.push_back("QueryClose");
      cancel = refuse_close;
    };
  }
  TextBox& Find() const { return form.Find<TextBox>("txtFind"); }
};

class QtHostTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);  // CTest sets it too; no display either way
    host_ = new QtModalHost;
  }
  static void TearDownTestSuite() {
    delete host_;
    host_ = nullptr;
  }

  // Shows the form; `steps` run inside its modal loop, and the form is hidden after them.
  void ShowAndPlay(Form& form, const testing::DialogPlay::Steps& steps) {
    testing::DialogPlay play([&](QDialog& dialog) {
      steps(dialog);
      if (form.Visible()) form.Hide();
    });
    form.ShowModal();
  }

  static QtModalHost* host_;
  ModalHostScope scope_{*host_};
  PickForm pick_;
};

QtModalHost* QtHostTest::host_ = nullptr;

TEST_F(QtHostTest, ShowsAnyFormFromItsControlsAndPullsOnlyTheRowsItPaints) {
  EXPECT_TRUE(host_->OwnsApplication());
  ShowAndPlay(pick_.form, [&](QDialog& dialog) {
    auto* label = dialog.findChild<QLabel*>("lblFind");
    auto* edit = dialog.findChild<QLineEdit*>("txtFind");
    auto* table = dialog.findChild<QTableView*>("grdList");
    auto* ok = dialog.findChild<QPushButton*>("cmdOK");
    ASSERT_TRUE(label && edit && table && ok);
    EXPECT_EQ(label->buddy(), edit);
    EXPECT_EQ(S(dialog.windowTitle() + "|" + label->text() + "|" + edit->toolTip() + "|" +
                ok->text() + "|" + table->model()->headerData(1, Qt::Horizontal).toString() + "|" +
                table->model()->index(0, 1).data().toString()),
              "选择客户|查找(&N)|编号或名称|确定(&O)|名称|客户1");
    EXPECT_EQ(table->model()->rowCount(), kDataRows);
    EXPECT_EQ(table->model()->index(0, 2).data(Qt::TextAlignmentRole).toInt() & Qt::AlignRight,
              Qt::AlignRight);
    // Twips per pixel: never more than a 96-DPI screen's 15, and the same both ways.
    const float scale = 1500.0f / static_cast<float>(table->columnWidth(0));
    EXPECT_LE(scale, 15.1f);
    EXPECT_EQ(table->verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
    EXPECT_NEAR(pick_.grid->HostWidth(), table->viewport()->width() * scale, scale);
    EXPECT_EQ(pick_.form.Focused()->Name(), "txtFind");
    // A column the user drags wider goes back to the grid in twips; the form's own widths
    // reach the table without coming back as the user's.
    table->horizontalHeader()->resizeSection(0, 140);
    EXPECT_NEAR(pick_.grid->Column(1).Width(), 140 * scale, scale);
    pick_.grid->Column(2).SetWidth(1800);
    EXPECT_NEAR(table->columnWidth(1), 1800 / scale, 1);
    EXPECT_EQ(pick_.grid->Column(2).Width(), 1800);

    // The first and last data rows a full paint pulls (the title row is the header's).
    auto painted = [&] {
      pick_.pulled.clear();
      dialog.grab();
      pick_.pulled.erase(1);
      return pick_.pulled.empty()
                 ? std::pair{0, 0}
                 : std::pair{pick_.pulled.begin()->first, pick_.pulled.rbegin()->first};
    };
    pick_.grid->Refresh();  // a redraw pulls the rows shown again, and only those
    auto [first, last] = painted();
    EXPECT_EQ(first, 2);
    EXPECT_LT(last, 200);
    table->scrollToBottom();
    std::tie(first, last) = painted();
    EXPECT_GT(first, kDataRows - 200);
    EXPECT_EQ(last, kDataRows + 1);
  });
}

TEST_F(QtHostTest, KeysAndClicksBecomeTheFormsActions) {
  pick_.form.Find<CheckBox>("chkAll").Click = [&] { pick_.events.push_back("chkAll.Click"); };
  ShowAndPlay(pick_.form, [&](QDialog& dialog) {
    auto* edit = dialog.findChild<QLineEdit*>("txtFind");
    auto* table = dialog.findChild<QTableView*>("grdList");
    QTest::keyClick(edit, Qt::Key_F9);
    QTest::mouseClick(dialog.findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
    QTest::keyClick(edit, Qt::Key_O, Qt::AltModifier);  // 确定(&O)
    QTest::mouseClick(dialog.findChild<QCheckBox*>("chkAll"), Qt::LeftButton);
    EXPECT_EQ(pick_.form.Find<CheckBox>("chkAll").Value(), 1);
    EXPECT_TRUE(dialog.findChild<QCheckBox*>("chkAll")->isChecked());

    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, CellCenter(*table, 3, 1));
    EXPECT_EQ(pick_.grid->CursorRow(), 5);
    EXPECT_EQ(pick_.form.Focused()->Name(), "grdList");
    QTest::keyClick(table, Qt::Key_Down);
    EXPECT_EQ(pick_.grid->CursorRow(), 6);
    EXPECT_EQ(table->currentIndex().row(), 4);
    EXPECT_TRUE(table->selectionModel()->isRowSelected(4, {}));
  });
  EXPECT_EQ(pick_.events, (std::vector<std::string>{"F9", "cmdOK.Click", "cmdOK.Click",
                                                    "chkAll.Click", "grdList.Click 5"}));
}

TEST_F(QtHostTest, TheGridsMouseBecomesGridActions) {
  pick_.grid->SetFlag(kLayoutFlagMultiSelect, true);
  pick_.grid->DblClick = [&] {
    pick_.events.push_back("grdList.DblClick " + std::to_string(pick_.grid->MouseRow()) + "," +
                           std::to_string(pick_.grid->MouseCol()));
  };
  ShowAndPlay(pick_.form, [&](QDialog& dialog) {
    auto* table = dialog.findChild<QTableView*>("grdList");
    auto at = [&](int32_t row) { return CellCenter(*table, row - 2, 1); };  // a ledger row
    QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::ControlModifier, at(4));
    EXPECT_EQ(pick_.grid->SelectedRows(), (std::vector<int32_t>{2, 4}));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::ShiftModifier, at(6));
    EXPECT_EQ(pick_.grid->SelectedRows(), (std::vector<int32_t>{4, 5, 6}));
    EXPECT_EQ(table->selectionModel()->selectedRows().size(), 3);
    QHeaderView* header = table->horizontalHeader();
    QTest::mouseDClick(header->viewport(), Qt::LeftButton, {},
                       QPoint(header->sectionViewportPosition(1) + 5, header->height() / 2));

    QMouseEvent move(QEvent::MouseMove, at(5), table->viewport()->mapToGlobal(at(5)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(table->viewport(), &move);
    EXPECT_EQ(pick_.grid->MouseRow(), 5);
    EXPECT_EQ(S(QToolTip::text()), "第5行");
  });
  // QTest's double click sends no first press: the double click alone reaches the grid.
  EXPECT_EQ(pick_.events, (std::vector<std::string>{"grdList.Click 4", "grdList.Click 6",
                                                    "grdList.DblClick 1,2"}));
}

TEST_F(QtHostTest, TextGoesThroughTheFormsKeyPreviewAndTheCloseBoxAsksTheForm) {
  QGuiApplication::clipboard()->setText("D'5");
  ShowAndPlay(pick_.form, [&](QDialog& dialog) {
    auto* edit = dialog.findChild<QLineEdit*>("txtFind");
    QTest::keyClicks(edit, "ab'c\"d");
    EXPECT_EQ(pick_.Find().Text(), "abcd");
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClick(edit, Qt::Key_Home);  // moves the caret natively, and the form's with it
    EXPECT_EQ(pick_.Find().SelStart(), 0u);
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);  // a paste types no keys
    EXPECT_EQ(pick_.Find().Text(), "D'5abc");
    QInputMethodEvent chinese;
    chinese.setCommitString("张三");
    QCoreApplication::sendEvent(edit, &chinese);
    EXPECT_EQ(pick_.Find().Text(), "D'5张三abc");
    EXPECT_EQ(S(edit->text()), "D'5张三abc");

    pick_.refuse_close = true;              // the close box asks the form
    QTest::keyClick(edit, Qt::Key_Escape);  // not Qt's reject
    dialog.close();
    EXPECT_TRUE(pick_.form.Visible());
    EXPECT_TRUE(dialog.isVisible());
    pick_.refuse_close = false;
    dialog.close();
    EXPECT_FALSE(pick_.form.Visible());
  });
  EXPECT_EQ(pick_.events, (std::vector<std::string>{"QueryClose", "QueryClose"}));
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(QtHostTest, AHandlersErrorEndsTheDialogAndPassesThrough) {
  pick_.form.Find<CommandButton>("cmdOK").Click = [] { throw Error("库存不足"); };
  auto play = [&] {
    ShowAndPlay(pick_.form, [&](QDialog& dialog) {
      QTest::mouseClick(dialog.findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
      EXPECT_FALSE(pick_.form.Visible());
    });
  };
  EXPECT_THAT(play, ::testing::ThrowsMessage<Error>(::testing::StrEq("库存不足")));
}

TEST_F(QtHostTest, SavesAScreenshotOfTheNextDialogOnce) {
  QTemporaryDir dir;
  const QString path = dir.filePath("pick.png");
  host_->SetScreenshotPath(S(path));
  QSize shown;
  ShowAndPlay(pick_.form, [&](QDialog& dialog) { shown = dialog.size(); });
  const QImage shot(path);
  ASSERT_FALSE(shot.isNull());
  EXPECT_EQ(shot.size(), shown);
  EXPECT_NE(shot.pixel(shown.width() / 2, shown.height() / 2), shot.pixel(2, 2));  // not blank
  ASSERT_TRUE(QFile::remove(path));
  ShowAndPlay(pick_.form, [](QDialog&) {});
  EXPECT_FALSE(QFile::exists(path));
}

TEST_F(QtHostTest, MessageBoxesAndTheHourglass) {
  std::string seen;
  testing::DialogPlay play([&](QDialog& dialog) {
    auto* box = qobject_cast<QMessageBox*>(&dialog);
    ASSERT_TRUE(box);
    seen = S(box->windowTitle()) + "|" + S(box->text());
    EXPECT_EQ(box->icon(), QMessageBox::Warning);
    box->accept();
  });
  MessageBox("已保存", MessageIcon::kExclamation, "提示");
  EXPECT_EQ(seen, "提示|已保存");
  int width = 0;  // a short text leaves the title room beside the title bar's buttons
  testing::DialogPlay narrow([&](QDialog& dialog) {
    width = dialog.width();
    dialog.accept();
  });
  MessageBox("不能输入单引号。", MessageIcon::kInformation, "Vantrel提示");
  EXPECT_GE(width, 320);

  SetScreenMousePointer(kPointerHourglass);
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  SetScreenMousePointer(kPointerDefault);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(QtKeyCodesTest, QtKeysBecomeTheFormsKeyCodes) {
  // The keys the dialogs' tests press arrive through real key events; these are the others.
  EXPECT_EQ(VirtualKeyCode(Qt::Key_Enter, Qt::KeypadModifier), kKeyEnter);
  EXPECT_EQ(VirtualKeyCode(Qt::Key_Exclam, Qt::ShiftModifier), '1');
  EXPECT_EQ(VirtualKeyCode(Qt::Key_QuoteDbl, Qt::ShiftModifier), 222);
  EXPECT_EQ(VirtualKeyCode(Qt::Key_5, Qt::KeypadModifier), 101);
  EXPECT_EQ(VirtualKeyCode(Qt::Key_unknown, {}), 0);
  EXPECT_EQ(ShiftMask(Qt::ShiftModifier | Qt::AltModifier), 5);
  EXPECT_EQ(AccessLetter(Qt::Key_O), 'o');
}

}  // namespace
}  // namespace qmz
