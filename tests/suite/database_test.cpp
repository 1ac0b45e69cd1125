// Where the suite's database is: a SQLite file or a server over ODBC, what a user is told when
// it cannot be reached, and what a SQL Server receives.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "qmz/error.h"
#include "suite/database.h"

namespace qmz::suite {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;
using ::testing::ThrowsMessage;

std::string FailureOf(const std::string& target) {
  try {
    OpenDatabase(target);
  } catch (const Error& e) {
    return e.what();
  }
  return "opened";
}

TEST(DatabaseTest, UnreachableDatabasesSayWhy) {
  EXPECT_FALSE(IsOdbcTarget("/srv/odbc:suite.db"));

  // No such driver, and no such data source: one message each, the password never in it.
  std::string no_driver = FailureOf("odbc:Driver=NoSuchDriver;Uid=clerk;Pwd=secret");
  EXPECT_THAT(no_driver, StartsWith("Cannot connect to the suite database: "));
  EXPECT_THAT(no_driver, HasSubstr("NoSuchDriver"));
  EXPECT_THAT(no_driver, ::testing::Not(HasSubstr("secret")));
  EXPECT_THAT(FailureOf("odbc:DSN=no-such-suite"),
              StartsWith("Cannot connect to the suite database: "));
}

// The production path: a server that names itself SQL Server gets each batch as one text, byte
// for byte (CR LF, blanks, UTF-8, #tables, isNull and all), through unixODBC and its driver.
TEST(DatabaseTest, SqlServerReceivesTheBatchByteForByte) {
  const std::string record = ::testing::TempDir() + "recorded_statements.sql";
  std::remove(record.c_str());
  const std::string batch =
      "set nocount on  \r\nIF object_id('tempdb..#tempAux') IS NOT NULL DROP TABLE #tempAux\r\n"
      "select c.Fname as AuxName,isNull(sum(a.FQty),0) as FQty into #tempAux from ICInvInitial a "
      "left outer join t_auxItem c on a.FAuxPropID=c.FitemID Where a.FitemID=2 and (c.Fname "
      "like '%O''N[^x]%')  Group by c.Fname \r\n select AuxName,'全部仓库' as stockName, FQty "
      "from #tempAux order by AuxName \r\nIF object_id('tempdb..#tempAux') IS NOT NULL DROP "
      "TABLE #tempAux\t ";
  auto server = OpenDatabase("odbc:Driver=" QMZ_RECORDING_DRIVER ";Record=" + record);
  EXPECT_EQ(server->RunTsql(batch)->RecordCount(), 1);
  std::ifstream in(record, std::ios::binary);
  const std::string received{std::istreambuf_iterator<char>(in), {}};
  EXPECT_EQ(received, batch + "\n-- end of statement --\n");

  // A statement of the batch that fails after the first result is reported, not dropped (the
  // driver gives no reason of its own: the driver manager says so).
  EXPECT_THAT([&] { server->RunTsql("select 1 RAISERROR('no', 16, 1)"); },
              ThrowsMessage<Error>(HasSubstr("Driver returned SQL_ERROR")));
}

}  // namespace
}  // namespace qmz::suite
