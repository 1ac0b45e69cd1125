#include "platform/ui/ledger.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "qmz/error.h"

namespace qmz {
namespace {

using ::testing::ThrowsMessage;
using Events = std::vector<std::string>;

// A form that owns a grid: row texts come from `texts` (row r is texts[r - 1]), every pull is
// logged as "r," and every Notify is recorded.
struct Owner {
  Ledger grid;
  std::vector<std::string> texts;
  std::string pulled;
  Events events;

  Owner(std::vector<std::string> rows, int32_t cols) : texts(std::move(rows)) {
    grid.RowText = [this](int32_t row, std::string& text) {
      pulled += std::to_string(row) + ",";
      text += texts[row - 1];  // += so that a text not handed over empty shows
    };
    grid.Notify = [this](int32_t code, const std::string& name, const Variant& p1,
                         const Variant& p2) {
      events.push_back(std::to_string(code) + " " + name + " " + p1.ToText() + "->" + p2.ToText());
    };
    grid.SetRows(static_cast<int32_t>(texts.size()));
    grid.SetCols(cols);
  }
};

// Rows, cols, the cursor row, the selection list and each column as width|alignment|hidden,
// e.g. "5 2 4 [5,3,4,] 250|R|h 1000|L|".
std::string Layout(const Ledger& g) {
  std::string s = std::to_string(g.Rows()) + " " + std::to_string(g.Cols()) + " " +
                  std::to_string(g.CursorRow()) + " [";
  for (int32_t row : g.SelectedRows()) s += std::to_string(row) + ",";
  s += "]";
  for (int32_t c = 1; c <= g.Cols(); ++c) {
    const LedgerColumn& col = g.Column(c);
    const char* align = col.Alignment() == kAlignRight ? "|R|" : col.Alignment() ? "|?|" : "|L|";
    s += " " + std::to_string(static_cast<int>(col.Width())) + align + (col.Hidden() ? "h" : "");
  }
  return s;
}

TEST(LedgerTest, CellTextsArePiecesOfTheRowTextUnlessAValueWasWritten) {
  Owner o({"Code|Name|Qty", "A1|Bolt|10", "A2||", "B7", "", "a|b|c|d|e"}, 4);
  EXPECT_EQ(o.grid.Cell(2, 2).Text(), "Bolt");
  EXPECT_EQ(o.grid.RowTextOf(2), "A1|Bolt|10");
  EXPECT_EQ(o.grid.DumpGrid(), "Code|Name|Qty||\nA1|Bolt|10||\nA2||||\nB7||||\n||||\na|b|c|d|\n");

  EXPECT_EQ(o.grid.CellValue(2, 2), Variant("Bolt"));  // the value of a cell is its text
  o.grid.Cell(2, 2).SetValue(42);
  o.grid.SetCellValue(3, 3, 2.5);
  o.grid.SetCellValue(2, 1, Variant::Null());
  o.grid.SetCellValue(2, 3, "");
  o.grid.SetCellValue(3, 1, true);
  EXPECT_TRUE(o.grid.HasCellValue(2, 2));
  EXPECT_EQ(o.grid.Cell(2, 2).Value(), Variant(42));
  EXPECT_TRUE(o.grid.CellValue(2, 1).IsNull());
  o.texts[1] = "x|y|z|w";
  o.grid.Invalidate();  // new texts; the written values stay
  EXPECT_EQ(o.grid.DumpGrid(), "Code|Name|Qty||\n|42||w|\nTrue||2.5||\nB7||||\n||||\na|b|c|d|\n");
}

TEST(LedgerTest, RowTextsArePulledWhenReadThroughAOneRowCache) {
  Owner o({"T", "a|b", "c|d", "e"}, 2);
  EXPECT_EQ(o.pulled, "");  // Rows and Cols writes pull nothing
  o.grid.CellText(2, 1);
  o.grid.CellText(2, 2);
  o.grid.Cell(2, 1).Value();
  o.grid.CellText(3, 1);
  o.grid.CellText(2, 2);
  EXPECT_EQ(o.pulled, "2,3,2,");

  o.grid.Click = [] {};
  const std::pair<const char*, std::function<void()>> drops[] = {
      {"Rows", [&] { o.grid.SetRows(4); }},
      {"Cols", [&] { o.grid.SetCols(2); }},
      {"Cursor", [&] { o.grid.SetCursorRow(3); }},
      {"Refresh", [&] { o.grid.Refresh(); }},
      {"ForceRefresh", [&] { o.grid.ForceRefresh(); }},
      {"Redraw", [&] { o.grid.Redraw(); }},
      {"Invalidate", [&] { o.grid.Invalidate(); }},
      {"Click", [&] { o.grid.RaiseClick(); }}};
  for (const auto& [name, drop] : drops) {
    SCOPED_TRACE(name);
    o.texts[1] = std::string("was ") + name;
    o.grid.CellText(2, 1);
    o.pulled.clear();
    drop();
    EXPECT_EQ(o.pulled, "");
    o.texts[1] = std::string("now ") + name;
    EXPECT_EQ(o.grid.CellText(2, 1), o.texts[1]);
    EXPECT_EQ(o.pulled, "2,");
  }

  // The cache is dropped before the event, so the handler reads the owner's current data.
  o.grid.CellText(3, 1);
  o.texts[2] = "fresh";
  std::string seen;
  o.grid.Click = [&] { seen = o.grid.CellText(3, 1); };
  o.grid.RaiseClick();
  EXPECT_EQ(seen, "fresh");
}

TEST(LedgerTest, ReadsDuringAFetchAskTheOwnerAgain) {
  Owner o({"T", "a|b", "c|d"}, 2);
  auto base = o.grid.RowText;
  std::string inner;
  o.grid.RowText = [&](int32_t row, std::string& text) {
    base(row, text);
    if (row == 3) inner = o.grid.RowTextOf(2);
  };
  o.grid.CellText(2, 1);
  EXPECT_EQ(o.grid.CellText(3, 2), "d");
  EXPECT_EQ(inner, "a|b");
  o.grid.CellText(3, 1);  // row 3 was kept
  EXPECT_EQ(o.pulled, "2,3,2,");

  // A fetch that saw an Invalidate is not kept.
  o.grid.RowText = [&](int32_t row, std::string& text) {
    base(row, text);
    o.grid.Invalidate();
  };
  o.pulled.clear();
  o.grid.CellText(2, 1);
  o.grid.CellText(2, 2);
  EXPECT_EQ(o.pulled, "2,2,");

  // The owner's error passes through, and the grid caches normally afterwards.
  o.grid.RowText = [](int32_t, std::string&) { throw Error("no data"); };
  EXPECT_THAT([&] { o.grid.CellText(3, 1); }, ThrowsMessage<Error>("no data"));
  o.grid.RowText = base;
  o.pulled.clear();
  o.grid.CellText(3, 1);
  o.grid.CellText(3, 2);
  EXPECT_EQ(o.pulled, "3,");
}

TEST(LedgerTest, RowsWriteStartsANewListWithoutAnEventColsWriteKeepsColumns) {
  Owner o({"T", "a|b|c|d", "b", "c", "d"}, 4);
  o.grid.SetFlag(kLayoutFlagMultiSelect, true);
  o.grid.SetSelectedRows({3, 4});
  o.grid.SetCellValue(3, 1, "v");
  o.events.clear();
  o.grid.SetRows(3);
  EXPECT_EQ(Layout(o.grid), "3 4 2 [] 1000|L| 1000|L| 1000|L| 1000|L|");
  EXPECT_FALSE(o.grid.HasCellValue(3, 1));
  o.grid.SetRows(1);
  EXPECT_EQ(o.grid.CursorRow(), 1);
  EXPECT_TRUE(o.events.empty());

  o.grid.SetRows(2);
  LedgerColumn& first = o.grid.Column(1);
  first.SetWidth(250);
  o.grid.Column(2).SetAlignment(kAlignRight);
  o.grid.Column(2).SetFlag(kColumnFlagHidden, true);
  o.grid.Column(4).SetWidth(5);
  o.grid.Column(4).SetAlignment(kAlignRight);
  o.grid.SetCellValue(2, 2, "B");
  o.grid.SetCellValue(2, 4, "D");
  o.grid.SetCols(3);
  EXPECT_EQ(o.grid.DumpGrid(), "T|||\na|B|c|\n");
  o.grid.SetCols(5);
  EXPECT_EQ(&o.grid.Column(1), &first);
  EXPECT_EQ(Layout(o.grid), "2 5 2 [] 250|L| 1000|R|h 1000|L| 1000|L| 1000|L|");  // 4 is new
  EXPECT_EQ(o.grid.DumpGrid(), "T|||||\na|B|c|d||\n");
  o.grid.SetCols(0);
  EXPECT_EQ(o.grid.DumpGrid(), "\n\n");
}

TEST(LedgerTest, CursorWriteRaisesSelChangedBeforeItReturns) {
  Owner o({"T", "a", "b", "c"}, 1);
  o.grid.CellText(3, 1);
  o.texts[2] = "b2";
  Events log;
  o.grid.Notify = [&](int32_t code, const std::string& name, const Variant& p1, const Variant& p2) {
    int32_t row = o.grid.CursorRow();
    log.push_back(std::to_string(code) + " " + name + " " + p1.ToText() + "->" + p2.ToText() +
                  " at " + std::to_string(row) + " " + o.grid.CellText(row, 1));
    if (row == 1) o.grid.SetCursorRow(2);  // the handler may write the grid
  };
  o.grid.SetCursorRow(3);
  o.grid.SetCursorRow(1);
  EXPECT_EQ(o.grid.CursorRow(), 2);
  EXPECT_EQ(log, (Events{"0 SelChanged 2->3 at 3 b2", "0 SelChanged 3->1 at 1 T",
                         "0 SelChanged 1->2 at 2 a"}));
  o.grid.Notify = [](int32_t, const std::string&, const Variant&, const Variant&) {
    throw Error("rejected");
  };
  EXPECT_THAT([&] { o.grid.SetCursorRow(4); }, ThrowsMessage<Error>("rejected"));
}

TEST(LedgerTest, MultiRowSelection) {
  Owner o({"T", "a", "b", "c", "d"}, 1);
  o.grid.SetCursorRow(3);
  EXPECT_EQ(Layout(o.grid), "5 1 3 [] 1000|L|");
  o.grid.SetFlag(kLayoutFlagMultiSelect, true);
  o.grid.SetCursorRow(4);
  o.grid.SetCursorRow(2);
  EXPECT_EQ(Layout(o.grid), "5 1 2 [2,] 1000|L|");
  o.events.clear();
  o.grid.SetSelectedRows({5, 3, 5, 4});
  EXPECT_EQ(Layout(o.grid), "5 1 4 [5,3,4,] 1000|L|");
  o.grid.SetSelectedRows({});
  EXPECT_EQ(Layout(o.grid), "5 1 4 [] 1000|L|");
  EXPECT_EQ(o.events, Events{"0 SelChanged 2->4"});
  o.grid.SetSelectedRows({3});
  o.grid.SetFlag(kLayoutFlagMultiSelect, false);
  EXPECT_EQ(Layout(o.grid), "5 1 3 [] 1000|L|");
}

TEST(LedgerTest, FailedWritesThrowAndChangeNothing) {
  Owner o({"T|t", "a|b", "c|d"}, 2);
  o.grid.SetCellValue(2, 1, "v");
  o.grid.Column(1).SetWidth(300);
  o.grid.SetCursorRow(3);
  std::vector<LedgerChange> changes;
  o.grid.SetViewListener([&](LedgerChange change) { changes.push_back(change); });
  auto state = [&] {
    return Layout(o.grid) + " " + std::to_string(o.grid.Column(1).Flag(32)) + o.grid.DumpGrid();
  };
  const std::function<void()> failures[] = {
      [&] { o.grid.Column(0); },
      [&] { o.grid.Column(3); },
      [&] { o.grid.Cell(4, 1); },
      [&] { o.grid.Cell(0, 1); },
      [&] { o.grid.Cell(1, 3); },
      [&] { o.grid.CellValue(1, 0); },
      [&] { o.grid.RowTextOf(4); },
      [&] { o.grid.SetCellValue(4, 1, "x"); },
      [&] { o.grid.SetCellValue(2, 3, "x"); },
      [&] { o.grid.SetCursorRow(0); },
      [&] { o.grid.SetCursorRow(4); },
      [&] { o.grid.SetRows(0); },
      [&] { o.grid.SetCols(-1); },
      [&] { o.grid.SetCols(Ledger::kMaxCols + 1); },
      [&] { o.grid.Flag(0); },
      [&] { o.grid.SetFlag(3, true); },
      [&] { o.grid.SetFlag(512 | 16, true); },
      [&] { o.grid.Column(1).Flag(-16); },
      [&] { o.grid.Column(1).SetFlag(48, true); },
      [&] { o.grid.SetSelectedRows({2}); }};  // the last without multi-row selection
  std::string before = state();
  o.events.clear();
  for (size_t i = 0; i < std::size(failures); ++i) {
    SCOPED_TRACE(i);
    EXPECT_THROW(failures[i](), Error);
    EXPECT_EQ(state(), before);
  }
  EXPECT_TRUE(changes.empty());  // the view is told of nothing
  o.grid.SetFlag(kLayoutFlagMultiSelect, true);
  o.grid.SetSelectedRows({2});
  before = state();
  o.events.clear();
  for (const std::vector<int32_t>& rows : {std::vector<int32_t>{3, 1}, {2, 4}, {3, 0}}) {
    EXPECT_THROW(o.grid.SetSelectedRows(rows), Error);
    EXPECT_EQ(state(), before);
  }
  EXPECT_TRUE(o.events.empty());

  // A cell handle checks its position when used, not when made.
  LedgerCell cell = o.grid.Cell(3, 2);
  o.grid.SetRows(2);
  EXPECT_THROW(cell.Text(), Error);
  o.grid.SetCols(Ledger::kMaxCols);
  EXPECT_EQ(o.grid.Cols(), Ledger::kMaxCols);
}

TEST(LedgerTest, ListenersAndHandlers) {
  Ledger g;
  EXPECT_EQ(g.DumpGrid(), "\n");  // one title row, no columns
  std::vector<int32_t> rows_seen;
  g.SetViewListener([&](LedgerChange) { rows_seen.push_back(g.Rows()); });
  g.SetRows(3);
  EXPECT_EQ(rows_seen, std::vector<int32_t>{3});  // told after the change
  int16_t key = 13;
  g.KeyDown = [](int16_t& key_code, int16_t shift) { key_code = shift == 2 ? 0 : key_code; };
  g.RaiseKeyDown(key, 2);
  EXPECT_EQ(key, 0);  // the handler may take the key
  g.RaiseDblClick();  // an empty slot is skipped
  g.SetViewListener({});
  g.SetToolTipText("Batch");
  EXPECT_EQ(rows_seen.size(), 2u);  // the handled key was told; the empty slot and the tip not
}

}  // namespace
}  // namespace qmz
