// Which statements of a batch a server cursor can read in pieces: queries, never the statements
// that make or drop tables, nor words that merely begin with "select".
#include "suite/server/odbc_pieces.h"

#include <gtest/gtest.h>

namespace qmz::suite {
namespace {

TEST(OdbcPiecesTest, OnlyQueriesAreReadInPieces) {
  for (const char* query : {"select 1", "\r\n SELECT a.FBatchNo from t_cc_inventory a",
                            "((select 1) union (select 2))", "select", "select*from t"}) {
    EXPECT_TRUE(ReadsInPieces(query)) << query;
  }
  for (const char* other :
       {"", "   ", "selected", "select_rows()", "CREATE TEMP TABLE \"#tempAux\" AS select 1",
        "DROP TABLE IF EXISTS \"#tempAux\"", "-- select\nupdate t set a = 1"}) {
    EXPECT_FALSE(ReadsInPieces(other)) << other;
  }
}

}  // namespace
}  // namespace qmz::suite
