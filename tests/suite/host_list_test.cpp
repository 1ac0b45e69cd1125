// Several servers named the way a site writes them, rewritten into the form psqlODBC reads.
#include <gtest/gtest.h>

#include "suite/host_list.h"

namespace qmz::suite {
namespace {

TEST(HostListTest, SeveralPostgresServersBecomeTheMultiHostFormAndAnythingElseStays) {
  EXPECT_EQ(WithHostsInPqopt("Driver=PostgreSQL Unicode;Server=10.0.0.1,10.0.0.2;"
                             "Port=5432,5433;Database=suite;Uid=suite;Pwd={a;b}}c};Pwd2="),
            "Driver=PostgreSQL Unicode;Database=suite;Uid=suite;Pwd={a;b}}c};Pwd2=;"
            "pqopt={host=10.0.0.1,10.0.0.2 port=5432,5433 target_session_attrs=read-write}");
  EXPECT_EQ(WithHostsInPqopt("driver={PostgreSQL ANSI};servername={a,b};database=suite"),
            "driver={PostgreSQL ANSI};database=suite;"
            "pqopt={host=a,b target_session_attrs=read-write}");
  for (const char* kept : {
           "Driver=PostgreSQL Unicode;Server=a;Port=5432;Database=suite",
           "Driver={ODBC Driver 18 for SQL Server};Server=db,1433;Database=suite",
           "Driver=PostgreSQL Unicode;Server=a,b;pqopt={host=c}",
           "DSN=suite;Server=a,b",
           "Driver=PostgreSQL Unicode;Server=a b,c",
       }) {
    EXPECT_EQ(WithHostsInPqopt(kept), kept);
  }
}

}  // namespace
}  // namespace qmz::suite
