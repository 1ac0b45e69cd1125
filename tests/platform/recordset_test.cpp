#include "qmz/recordset.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "qmz/error.h"

namespace qmz {
namespace {

Recordset Batches() {
  Recordset r({"FBatchNo", "FQty", "stockName"});
  r.AddRecord({"B1", 10, "North"});
  r.AddRecord({"a2", 0.5, "South"});
  r.AddRecord({"O'K", 3, "North"});
  r.AddRecord({"B4", Variant::Null(), "East"});
  r.AddRecord({"b5", 7, "South"});
  return r;
}

// The batch numbers of the view in order, each followed by ","; after setting a filter if given.
std::string View(Recordset& r, const char* filter = nullptr) {
  if (filter) r.SetFilter(filter);
  std::string out;
  if (r.RecordCount() == 0) return out;
  for (r.MoveFirst(); !r.Eof(); r.MoveNext()) out += r.Value("FBatchNo").ToText() + ",";
  return out;
}

// The position and the batch there, or the position and bof/eof.
std::string Where(const Recordset& r) {
  std::string at = std::to_string(r.AbsolutePosition());
  if (r.Bof() || r.Eof()) return at + (r.Bof() ? " bof" : "") + (r.Eof() ? " eof" : "");
  return at + " " + r.Value("FBatchNo").ToText();
}

TEST(RecordsetTest, MovesStopAtTheEndsAndPositionsCountFromOne) {
  Recordset r = Batches();
  EXPECT_EQ(Where(r), "1 B1");
  EXPECT_EQ(r.Value("fbatchno").ToText(), "B1");  // names without regard to case
  r.Move(3);
  EXPECT_EQ(Where(r), "4 B4");
  r.Move(10);
  EXPECT_EQ(Where(r), "-3 eof");
  EXPECT_THROW(r.MoveNext(), Error);
  EXPECT_THROW(r.Value("FQty"), Error);
  r.Move(-2);
  EXPECT_EQ(Where(r), "4 B4");
  r.Move(-10);
  EXPECT_EQ(Where(r), "-2 bof");
  EXPECT_THROW(r.MovePrevious(), Error);
  r.MoveLast();
  EXPECT_EQ(Where(r), "5 b5");
  r.SetAbsolutePosition(2);
  EXPECT_EQ(Where(r), "2 a2");
  EXPECT_THROW(r.SetAbsolutePosition(6), Error);
  EXPECT_THROW(r.Value("NoSuchField"), Error);

  Recordset empty({"F"});
  EXPECT_TRUE(empty.Bof() && empty.Eof());
  EXPECT_THROW(empty.MoveFirst(), Error);
  EXPECT_THROW(empty.AddRecord({1, 2}), Error);
}

TEST(RecordsetTest, FilterCombinesAndOrWithDoubledQuotes) {
  Recordset r = Batches();
  EXPECT_EQ(View(r, "FBatchNo = 'O''K'"), "O'K,");
  EXPECT_EQ(View(r, "stockName = 'north' AND FQty > 5 OR stockName = 'SOUTH' AND FQty < 1"),
            "B1,a2,");
  EXPECT_EQ(View(r, "(stockName = 'South' OR stockName = 'East') AND FBatchNo LIKE 'b*'"),
            "B4,b5,");
  EXPECT_EQ(View(r, "FBatchNo LIKE '%k%'"), "O'K,");
  EXPECT_EQ(View(r, "FQty <> 3"), "B1,a2,b5,");  // a Null quantity matches nothing
  EXPECT_EQ(View(r, "FQty = Null"), "B4,");

  r.SetFilter("FQty >= 3");
  r.MoveLast();
  for (const char* bad :
       {"FBatchNo LIKE '*x'", "FBatchNo LIKE 'a*b'", "Nope = 1", "FBatchNo = 'open"})
    EXPECT_THROW(r.SetFilter(bad), Error) << bad;
  EXPECT_EQ(r.Filter(), "FQty >= 3");  // a bad filter leaves the old one
  EXPECT_EQ(Where(r), "3 b5");

  r.SetFilter("FBatchNo = 'none'");
  EXPECT_TRUE(r.Eof());
  EXPECT_EQ(r.RecordCount(), 0);
  r.SetFilter("");
  EXPECT_EQ(r.RecordCount(), 5);
  EXPECT_EQ(Where(r), "1 B1");
}

TEST(RecordsetTest, FindSortAndFilterDriveThePosition) {
  Recordset r = Batches();
  r.Find("FBatchNo Like 'b*'");
  EXPECT_EQ(Where(r), "1 B1");  // the current record itself counts
  r.Find("FBatchNo Like 'b%'", 1);
  EXPECT_EQ(Where(r), "4 B4");
  r.Find("stockName = 'North'", 0, false);
  EXPECT_EQ(Where(r), "3 O'K");
  r.Find("FBatchNo = 'zzz'");
  EXPECT_EQ(Where(r), "-3 eof");
  EXPECT_THROW(r.Find("FBatchNo = 'B1'"), Error);  // no current record
  r.MoveFirst();
  EXPECT_THROW(r.Find("FBatchNo = 'B1' AND FQty = 10"), Error);

  r.SetSort("FQty DESC");
  EXPECT_EQ(View(r), "B1,b5,O'K,a2,B4,");
  r.SetSort("stockName, FBatchNo DESC");
  EXPECT_EQ(View(r), "B4,O'K,B1,b5,a2,");
  EXPECT_EQ(View(r, "stockName <> 'East'"), "O'K,B1,b5,a2,");
  r.MoveFirst();
  r.Find("FBatchNo = 'b5'");
  EXPECT_EQ(Where(r), "3 b5");
  EXPECT_EQ(r.RecordValues(1)[0].ToText(), "O'K");
  r.SetSort("FQty ASC");
  EXPECT_EQ(View(r), "a2,O'K,b5,B1,");
  EXPECT_EQ(r.AbsolutePosition(), -3);
  EXPECT_THROW(r.SetSort("Missing"), Error);
  r.SetSort("");
  EXPECT_EQ(View(r, ""), "B1,a2,O'K,B4,b5,");
}

TEST(RecordsetTest, ASortMadeAwayIsSetAsSetSortWouldAndSeesItsStopAsItGoes) {
  Recordset r = Batches();
  r.SetFilter("stockName <> 'East'");
  r.Move(2);
  int64_t keys_made = 0;
  SortedView view = r.PrepareSort("FBatchNo DESC", [&](int64_t n) { keys_made += n; });
  EXPECT_EQ(keys_made, 4);  // the filtered records only
  EXPECT_EQ(Where(r), "3 O'K");
  EXPECT_EQ(r.Sort(), "");
  r.SetSort(std::move(view));
  EXPECT_EQ(r.Sort(), "FBatchNo DESC");
  EXPECT_EQ(Where(r), "1 O'K");
  EXPECT_EQ(View(r), "O'K,b5,B1,a2,");
  EXPECT_THROW(r.PrepareSort("Missing", {}), Error);
  // A view made for other records is refused.
  SortedView stale = r.PrepareSort("FQty", {});
  r.AddRecord({"C6", 1, "North"});
  EXPECT_THROW(r.SetSort(std::move(stale)), Error);
  stale = r.PrepareSort("FQty", {});
  r.SetFilter("");
  EXPECT_THROW(r.SetSort(std::move(stale)), Error);
  EXPECT_EQ(r.Sort(), "FBatchNo DESC");

  // On 20,000 records the progress hears of every record's keys, in a few calls, and again and
  // again while the records are compared: a stop thrown there ends the sort.
  Recordset many({"F"});
  for (int i = 0; i < 20000; ++i) many.AddRecord({Variant(static_cast<int64_t>(i % 97))});
  int64_t calls = 0, counted = 0, while_comparing = 0;
  many.PrepareSort("F DESC", [&](int64_t n) {
    ++calls;
    counted += n;
    while_comparing += n == 0;
  });
  EXPECT_EQ(counted, 20000);
  EXPECT_LE(calls - while_comparing, 6);
  EXPECT_GE(while_comparing, 20);  // about 280,000 comparisons
  EXPECT_THROW(many.PrepareSort("F DESC",
                                [&](int64_t n) {
                                  if (n == 0) throw Error("stopped");
                                }),
               Error);

  // The reader's order is given before any sort or filter; a stop thrown as it goes leaves the
  // records as they were read. Ties keep read order, and a title sort starts from that order.
  EXPECT_THROW(r.OrderRecords({{0, false}}, {}), Error);
  int64_t ordered = 0;
  EXPECT_THROW(many.OrderRecords({{0, true}},
                                 [&](int64_t n) {
                                   if ((ordered += n) > 8000) throw Error("stopped");
                                 }),
               Error);
  EXPECT_EQ(many.Value(0).ToInt32(), 0);
  many.MoveLast();
  EXPECT_EQ(many.Value(0).ToInt32(), 19999 % 97);
  Recordset read({"FBatchNo", "N"});
  const char* spellings[] = {"b", "B ", "b  ", "B", "b", "B "};  // equal but for case and blanks
  for (int i = 0; i < 6; ++i) read.AddRecord({spellings[i], i % 3});
  read.OrderRecords({{0, true}, {1, true}}, {});
  EXPECT_EQ(View(read), "b  ,B ,B ,b,b,B,");
  EXPECT_THROW(read.OrderRecords({{2, false}}, {}), Error);
  // Records in blocks of their own (a text over 1 MiB) and those after them.
  Recordset wide({"FBatchNo", "T"});
  const std::string huge(size_t{3} << 19, 'x');
  for (const char* batch : {"c", "a", "d", "b"}) {
    wide.AddRecord({batch, *batch == 'c' || *batch == 'd' ? huge : "short"});
  }
  wide.OrderRecords({{0, false}}, {});
  EXPECT_EQ(View(wide), "a,b,c,d,");
  wide.MoveLast();
  EXPECT_EQ(wide.Value("T").ToText(), huge);
  // A long list whose texts repeat (kept once, referred to afterwards) orders by those texts.
  Recordset repeated({"W", "N"});
  std::vector<std::pair<std::string, int>> want;
  for (int i = 0; i < 20000; ++i) {
    const std::string warehouse = "Warehouse " + std::to_string(i * 7919 % 61);
    repeated.AddRecord({warehouse, i});
    want.emplace_back(warehouse, i);
  }
  std::stable_sort(want.begin(), want.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  repeated.OrderRecords({{0, false}}, {});
  repeated.MoveFirst();
  for (const auto& [warehouse, i] : want) {
    ASSERT_EQ(repeated.Value("W").ToText(), warehouse);
    ASSERT_EQ(repeated.Value("N").ToInt32(), i);
    repeated.MoveNext();
  }
}

}  // namespace
}  // namespace qmz
