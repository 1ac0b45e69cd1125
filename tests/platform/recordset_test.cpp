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

std::string Column(Recordset& r, const std::string& field) {
  std::string out;
  if (r.RecordCount() == 0) return out;
  for (r.MoveFirst(); !r.Eof(); r.MoveNext()) {
    out += (r.Value(field).IsNull() ? "null" : r.Value(field).ToText()) + ",";
  }
  return out;
}

TEST(RecordsetTest, MovesStopAtTheEndsAndPositionsCountFromOne) {
  Recordset r = Batches();
  EXPECT_EQ(r.RecordCount(), 5);
  EXPECT_EQ(r.AbsolutePosition(), 1);
  EXPECT_EQ(r.Value("fbatchno").ToText(), "B1");  // names without regard to case
  r.Move(3);
  EXPECT_EQ(r.AbsolutePosition(), 4);
  r.Move(10);
  EXPECT_TRUE(r.Eof());
  EXPECT_EQ(r.AbsolutePosition(), -3);
  EXPECT_THROW(r.MoveNext(), Error);
  EXPECT_THROW(r.Value("FQty"), Error);
  r.Move(-2);
  EXPECT_EQ(r.AbsolutePosition(), 4);
  r.Move(-10);
  EXPECT_TRUE(r.Bof());
  EXPECT_EQ(r.AbsolutePosition(), -2);
  EXPECT_THROW(r.MovePrevious(), Error);
  r.MoveLast();
  EXPECT_EQ(r.Value("FBatchNo").ToText(), "b5");
  r.SetAbsolutePosition(2);
  EXPECT_EQ(r.Value("FBatchNo").ToText(), "a2");
  EXPECT_THROW(r.SetAbsolutePosition(6), Error);
  EXPECT_THROW(r.Value("NoSuchField"), Error);

  Recordset empty({"F"});
  EXPECT_TRUE(empty.Bof());
  EXPECT_TRUE(empty.Eof());
  EXPECT_THROW(empty.MoveFirst(), Error);
  EXPECT_THROW(empty.AddRecord({1, 2}), Error);
}

TEST(RecordsetTest, FilterCombinesAndOrWithDoubledQuotes) {
  Recordset r = Batches();
  r.SetFilter("FBatchNo = 'O''K'");
  EXPECT_EQ(Column(r, "FBatchNo"), "O'K,");
  r.SetFilter("stockName = 'north' AND FQty > 5 OR stockName = 'SOUTH' AND FQty < 1");
  EXPECT_EQ(Column(r, "FBatchNo"), "B1,a2,");
  r.SetFilter("(stockName = 'South' OR stockName = 'East') AND FBatchNo LIKE 'b*'");
  EXPECT_EQ(Column(r, "FBatchNo"), "B4,b5,");
  r.SetFilter("FBatchNo LIKE '%k%'");
  EXPECT_EQ(Column(r, "FBatchNo"), "O'K,");
  r.SetFilter("FQty <> 3");  // a Null quantity matches nothing
  EXPECT_EQ(Column(r, "FBatchNo"), "B1,a2,b5,");
  r.SetFilter("FQty = Null");
  EXPECT_EQ(Column(r, "FBatchNo"), "B4,");

  r.SetFilter("FQty >= 3");
  r.MoveLast();
  EXPECT_THROW(r.SetFilter("FBatchNo LIKE '*x'"), Error);
  EXPECT_THROW(r.SetFilter("FBatchNo LIKE 'a*b'"), Error);
  EXPECT_THROW(r.SetFilter("Nope = 1"), Error);
  EXPECT_THROW(r.SetFilter("FBatchNo = 'open"), Error);
  EXPECT_EQ(r.Filter(), "FQty >= 3");  // a bad filter leaves the old one
  EXPECT_EQ(r.AbsolutePosition(), 3);

  r.SetFilter("FBatchNo = 'none'");
  EXPECT_TRUE(r.Eof());
  EXPECT_EQ(r.RecordCount(), 0);
  r.SetFilter("");
  EXPECT_EQ(r.RecordCount(), 5);
  EXPECT_EQ(r.AbsolutePosition(), 1);
}

TEST(RecordsetTest, FindSearchesFromTheCurrentRecordInEitherDirection) {
  Recordset r = Batches();
  r.Find("FBatchNo Like 'b*'");
  EXPECT_EQ(r.Value("FBatchNo").ToText(), "B1");  // the current record itself counts
  r.Find("FBatchNo Like 'b%'", 1);
  EXPECT_EQ(r.Value("FBatchNo").ToText(), "B4");
  r.Find("stockName = 'North'", 0, false);
  EXPECT_EQ(r.Value("FBatchNo").ToText(), "O'K");
  r.Find("FBatchNo = 'zzz'");
  EXPECT_TRUE(r.Eof());
  EXPECT_THROW(r.Find("FBatchNo = 'B1'"), Error);  // no current record
  r.MoveFirst();
  EXPECT_THROW(r.Find("FBatchNo = 'B1' AND FQty = 10"), Error);
}

TEST(RecordsetTest, SortAndFilterTogetherDriveThePosition) {
  Recordset r = Batches();
  r.SetSort("FQty DESC");
  EXPECT_EQ(Column(r, "FBatchNo"), "B1,b5,O'K,a2,B4,");
  r.SetSort("stockName, FBatchNo DESC");
  EXPECT_EQ(Column(r, "FBatchNo"), "B4,O'K,B1,b5,a2,");
  r.SetFilter("stockName <> 'East'");
  EXPECT_EQ(Column(r, "FBatchNo"), "O'K,B1,b5,a2,");
  r.MoveFirst();
  r.Find("FBatchNo = 'b5'");
  EXPECT_EQ(r.AbsolutePosition(), 3);
  EXPECT_EQ(r.RecordValues(1)[0].ToText(), "O'K");
  r.SetSort("FQty ASC");
  EXPECT_EQ(Column(r, "FBatchNo"), "a2,O'K,b5,B1,");
  EXPECT_EQ(r.AbsolutePosition(), -3);
  EXPECT_THROW(r.SetSort("Missing"), Error);
  r.SetSort("");
  r.SetFilter("");
  EXPECT_EQ(Column(r, "FBatchNo"), "B1,a2,O'K,B4,b5,");
}

}  // namespace
}  // namespace qmz
