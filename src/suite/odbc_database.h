// The suite's Database on a server reached over ODBC (unixODBC): one connection per object,
// made from an ODBC connection string (a DSN or a driver with its keywords).
//
// The dialect follows the server the driver names: SQL Server gets the component's batches byte
// for byte, as the production suite sends them; a driver for SQLite gets the embedded suite's
// adaption; PostgreSQL gets its own (suite/tsql_adaption.h), its answers' names spelled as the
// batch spells them, and its grouped rows sorted by their keys (no hash aggregation). Texts cross
// as UTF-8 (parameters and the batch text as composed, results read as wide characters and
// converted). Errors: qmz::Error with the driver's diagnostics; a failed connection says "Cannot
// connect to the suite database: " and why, without the password.
#pragma once

#include <sql.h>

#include <string>

#include "suite/database.h"

namespace qmz::suite {

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

 private:
  SQLHENV env_ = SQL_NULL_HENV;
  SQLHDBC dbc_ = SQL_NULL_HDBC;
  Dialect dialect_ = Dialect::kSqlServer;
};

}  // namespace qmz::suite
