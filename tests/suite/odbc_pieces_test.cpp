// Which statements of a batch a server cursor can read in pieces: queries, never the statements
// that make or drop tables, nor words that merely begin with "select".
#include "suite/odbc_pieces.h"

#include <gtest/gtest.h>

namespace qmz::suite {
namespace {

TEST(OdbcPiecesTest, OnlyQueriesAreReadInPieces) {
  EXPECT_TRUE(ReadsInPieces("select 1"));
  EXPECT_TRUE(ReadsInPieces("\r\n SELECT a.FBatchNo from t_cc_inventory a"));
  EXPECT_TRUE(ReadsInPieces("((select 1) union (select 2))"));
  EXPECT_TRUE(ReadsInPieces("select"));
  EXPECT_TRUE(ReadsInPieces("select*from t"));

  EXPECT_FALSE(ReadsInPieces(""));
  EXPECT_FALSE(ReadsInPieces("   "));
  EXPECT_FALSE(ReadsInPieces("selected"));
  EXPECT_FALSE(ReadsInPieces("select_rows()"));
  EXPECT_FALSE(ReadsInPieces("CREATE TEMP TABLE \"#tempAux\" AS select 1"));
  EXPECT_FALSE(ReadsInPieces("DROP TABLE IF EXISTS \"#tempAux\""));
  EXPECT_FALSE(ReadsInPieces("-- select\nupdate t set a = 1"));
}

}  // namespace
}  // namespace qmz::suite
