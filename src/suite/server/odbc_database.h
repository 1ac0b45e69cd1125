// The suite's Database on a server reached over ODBC (unixODBC), from an ODBC connection string
// (a DSN or a driver with its keywords). Its connection comes from the process's pool
// (suite/server/odbc_connection.h) and goes back to it when the object ends; when a pooled
// connection turns out dead at the object's first statement, a new one runs that statement again.
//
// The dialect follows the server the driver names: SQL Server gets the component's batches byte
// for byte, as the production suite sends them; a driver for SQLite gets the embedded suite's
// adaption; PostgreSQL gets its own (suite/tsql/tsql_adaption.h), its answers' names spelled as the
// batch spells them. On PostgreSQL each request first sets what the adaption relies on for its
// own transaction, whatever the server, database or role configured
// (suite/server/odbc_connection.h): grouped rows sorted, not hashed (enable_hashagg off), `= NULL`
// never true (transform_null_equals off), ISO dates and doubles with every digit, read committed
// transactions, for which the suite's writes are made, and the query timeout; backslashes stay
// ordinary in texts (standard_conforming_strings on). A statement with parameters, or a batch of
// several statements, runs in a transaction of its own, so that its settings and any temporary
// table it makes stay on the one server connection a transaction pooler hands out.
//
// Every call is a wide (UTF-16) ODBC call and the component converts the texts itself
// (suite/server/wide_text.h), so the process's locale never matters. Each statement waits at most
// the query timeout: QMZ_QUERY_TIMEOUT seconds from the environment, 60 without it, 0 for no limit.
// The server ends a statement at that limit; a server that stops answering altogether is cut
// off 2 seconds later (suite/server/server_watchdog.h: NoAnswer, never tried again on a new
// connection).
//
// Column names and kinds come from the result's own attributes, never from catalogue queries
// (suite/server/odbc_result.h). On PostgreSQL through psqlODBC a batch's answer is read in pieces
// from a cursor while the server works on the next piece (suite/server/odbc_pieces.h); parameters
// go to the server apart from the statement's text.
//
// Errors: qmz::Error with the driver's diagnostics; a failed connection says "Cannot connect to
// the suite database: " and why, without the password. A connection that saw a failure is
// closed, not pooled. An OdbcDatabase belongs to one thread.
#pragma once

#include "suite/server/odbc_api.h"

#include <chrono>
#include <memory>
#include <string>

#include "qmz/error.h"
#include "suite/database.h"
#include "suite/server/odbc_connection.h"
#include "suite/tsql/kept_adaption.h"

namespace qmz::suite {

class OdbcDatabase : public Database {
 public:
  using Dialect = OdbcDialect;

  explicit OdbcDatabase(const std::string& connection_string);
  ~OdbcDatabase() override;
  OdbcDatabase(const OdbcDatabase&) = delete;
  OdbcDatabase& operator=(const OdbcDatabase&) = delete;

  TextRows Query(const std::string& sql, const Params& params) override;
  int64_t Execute(const std::string& sql, const Params& params) override;
  RecordsetPtr RunTsql(const std::string& tsql, bool list = false) override;

  Dialect DatabaseDialect() const;
  // The statements a batch becomes in this connection's dialect (kept per thread).
  std::shared_ptr<const AdaptedTsql> Statements(const std::string& tsql) const;
  // Seconds a statement may run; 0 waits without limit.
  void SetQueryTimeout(long seconds) { query_timeout_ = seconds; }
  // Runs `work` in one transaction: committed when it returns, rolled back when it throws.
  template <typename Work>
  void InTransaction(Work&& work) {
    used_ = true;
    Transacted([&] {
      work();
      return true;
    });
  }

 private:
  void Begin();
  void End(bool commit);
  // Runs `work` in a transaction of its own and answers what it answers.
  template <typename Work>
  auto Transacted(Work&& work) {
    Begin();
    decltype(work()) result;
    try {
      result = work();
    } catch (...) {
      End(false);
      throw;
    }
    End(true);
    return result;
  }
  // Runs `work` in a transaction of its own where PostgreSQL needs one for the settings: a
  // statement with parameters outside a transaction, or several statements.
  template <typename Work>
  auto SettledApart(bool needs_transaction, Work&& work) {
    if (!needs_transaction || DatabaseDialect() != Dialect::kPostgres ||
        !connection_->autocommit()) {
      return work();
    }
    return Transacted(work);
  }
  // Runs `sql` as one request (with its parameters bound) on `stmt`.
  void Request(const OdbcStatement& stmt, const std::string& sql, const Params& params);
  // Runs `work` on the connection; see the retry above.
  template <typename Work>
  auto RetriedOnNewIfPoolDied(Work&& work);
  // Runs `work` under a SilenceWatch; NoAnswer when the watch dropped the connection.
  template <typename Work>
  auto Watched(Work&& work);
  std::chrono::milliseconds SilenceLimit() const;
  TextRows QueryOnce(const std::string& sql, const Params& params);
  RecordsetPtr RunTsqlOnce(const AdaptedTsql& adapted, bool list);

  std::string connection_string_;
  std::unique_ptr<OdbcConnection> connection_;
  bool used_ = false;  // a statement ran on connection_
  long query_timeout_;
};

// The server did not answer within the query timeout (and a margin): its connection was dropped.
class NoAnswer : public Error {
 public:
  explicit NoAnswer(const std::string& seconds)
      : Error("The suite database did not answer within " + seconds +
              " seconds (QMZ_QUERY_TIMEOUT); its connection was dropped") {}
};

constexpr long kMaxQueryTimeout = 2147483;  // seconds; 2^31 - 1 milliseconds
// QMZ_QUERY_TIMEOUT, or 60 seconds; Error for anything but a number from 0 to kMaxQueryTimeout.
long QueryTimeoutSetting();

}  // namespace qmz::suite
