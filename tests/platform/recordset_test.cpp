#include "qmz/recordset.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace qmz
