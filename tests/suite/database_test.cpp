// Where the suite's database is: a SQLite file or a server over ODBC, and what a user is told
// when it cannot be reached.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "qmz/error.h"
#include "suite/database.h"

namespace qmz::suite {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

std::string FailureOf(const std::string& target) {
  try {
    OpenDatabase(target);
  } catch (const Error& e) {
    return e.what();
  }
  return "opened";
}

TEST(DatabaseTest, UnreachableDatabasesSayWhy) {
  EXPECT_TRUE(IsOdbcTarget("odbc:DSN=suite"));
  EXPECT_FALSE(IsOdbcTarget("/srv/odbc:suite.db"));

  EXPECT_EQ(FailureOf("/nonexistent/suite.db"),
            "Cannot open the suite database /nonexistent/suite.db: unable to open database file");
  // No such driver, and no such data source: one message each, the password never in it.
  std::string no_driver = FailureOf("odbc:Driver=NoSuchDriver;Uid=clerk;Pwd=secret");
  EXPECT_THAT(no_driver, StartsWith("Cannot connect to the suite database: "));
  EXPECT_THAT(no_driver, HasSubstr("NoSuchDriver"));
  EXPECT_THAT(no_driver, ::testing::Not(HasSubstr("secret")));
  EXPECT_THAT(FailureOf("odbc:DSN=no-such-suite"),
              StartsWith("Cannot connect to the suite database: "));
}

}  // namespace
}  // namespace qmz::suite
