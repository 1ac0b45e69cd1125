// The suite's Database on a server reached over ODBC (unixODBC): one connection per object,
// made from an ODBC connection string (a DSN or a driver with its keywords).
//
// The dialect follows the server the driver names: SQL Server gets the component's batches byte
// for byte, as the production suite sends them; a driver for SQLite gets the embedded suite's
// adaption; PostgreSQL gets its own (suite/tsql_adaption.h), its answers' names spelled as the
// batch spells them. On PostgreSQL the connection first sets what the adaption relies on,
// whatever the server, database or role configured: grouped rows sorted, not hashed
// (enable_hashagg off), backslashes ordinary in texts (standard_conforming_strings on),
// `= NULL` never true (transform_null_equals off), ISO dates and doubles with every digit.
//
// Every call is a wide (UTF-16) ODBC call and the component converts the texts itself
// (suite/wide_text.h), so the process's locale never matters. Each statement waits at most the
// query timeout: QMZ_QUERY_TIMEOUT seconds from the environment, 60 without it, 0 for no limit.
//
// Errors: qmz::Error with the driver's diagnostics; a failed connection says "Cannot connect to
// the suite database: " and why, without the password. A failure in the constructor releases
// everything it had made. An OdbcDatabase belongs to one thread.
#pragma once

#include <sql.h>

#include <string>

#include "suite/database.h"

namespace qmz::suite {

// An ODBC handle of one type, freed with it.
class OdbcHandle {
 public:
  OdbcHandle(SQLSMALLINT type, SQLHANDLE parent);
  ~OdbcHandle();
  OdbcHandle(const OdbcHandle&) = delete;
  OdbcHandle& operator=(const OdbcHandle&) = delete;
  SQLHANDLE get() const { return handle_; }
  SQLSMALLINT type() const { return type_; }
  // Error with the handle's diagnostics unless rc is a success.
  void Check(SQLRETURN rc) const;

 private:
  SQLSMALLINT type_;
  SQLHANDLE handle_ = SQL_NULL_HANDLE;
};

class OdbcDatabase : public Database {
 public:
  enum class Dialect { kSqlServer, kSqlite, kPostgres };

  explicit OdbcDatabase(const std::string& connection_string);
  ~OdbcDatabase() override;
  OdbcDatabase(const OdbcDatabase&) = delete;
  OdbcDatabase& operator=(const OdbcDatabase&) = delete;

  TextRows Query(const std::string& sql, const Params& params) override;
  int64_t Execute(const std::string& sql, const Params& params) override;
  RecordsetPtr RunBatch(const std::string& tsql) override;

  Dialect DatabaseDialect() const { return dialect_; }
  // The statements a batch becomes in this connection's dialect.
  std::vector<std::string> Statements(const std::string& tsql) const;
  // Seconds a statement may run; 0 waits without limit.
  void SetQueryTimeout(long seconds) { query_timeout_ = seconds; }
  // Runs `work` in one transaction: committed when it returns, rolled back when it throws.
  template <typename Work>
  void InTransaction(Work&& work) {
    Begin();
    try {
      work();
    } catch (...) {
      End(false);
      throw;
    }
    End(true);
  }

 private:
  void Begin();
  void End(bool commit);
  void SetUpPostgres();

  OdbcHandle env_;
  OdbcHandle dbc_;
  bool connected_ = false;
  Dialect dialect_ = Dialect::kSqlServer;
  long query_timeout_;
};

// QMZ_QUERY_TIMEOUT, or 60 seconds.
long QueryTimeoutSetting();

}  // namespace qmz::suite
