// The health check of a suite database (qmz/suite.h, CheckSuite).
#include <chrono>
#include <memory>

#include "qmz/containers.h"
#include "qmz/suite.h"
#include "suite/database.h"
#include "suite/middle_tier/suite_store.h"
#include "suite/server/odbc_database.h"
#include "suite/sqlite/sqlite_connection.h"

namespace qmz {

namespace {

// What the database says of itself: its name and version, whether it writes nothing for this
// desk, and how the server records the desk.
void Describe(suite::Database& db, const std::string& target, Dictionary& answer) {
  auto* odbc = dynamic_cast<suite::OdbcDatabase*>(&db);
  std::string server, read_only = "false", application;
  if (!odbc) {
    server = "SQLite " + db.Query("select sqlite_version()").at(0).at(0).value_or("");
    read_only = suite::SqliteConnection::MarkedReadOnly(target) ? "true" : "false";
  } else if (odbc->DatabaseDialect() == suite::OdbcDatabase::Dialect::kPostgres) {
    const auto row = db.Query(
                           "select version(), (pg_is_in_recovery() or "
                           "current_setting('transaction_read_only') = "
                           "'on')::text, current_setting('application_name')")
                         .at(0);
    server = row.at(0).value_or("");
    read_only = row.at(1).value_or("false");
    application = row.at(2).value_or("");
  } else {
    server = db.Query("select @@version").at(0).at(0).value_or("");
  }
  answer.Set("server", server);
  answer.Set("read_only", read_only == "true" || read_only == "1");
  answer.Set("application_name", application);
}

}  // namespace

ObjectPtr CheckSuite(const std::string& target) {
  suite::SuiteStore(target).AccountName();  // connects as a desk, reads the suite's schema
  auto db = suite::OpenDatabase(target);
  auto answer = std::make_shared<Dictionary>();
  Describe(*db, suite::IsOdbcTarget(target) ? "" : target, *answer);
  const auto start = std::chrono::steady_clock::now();
  db->Query("select 1");
  answer->Set(
      "round_trip_ms",
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  return answer;
}

}  // namespace qmz
