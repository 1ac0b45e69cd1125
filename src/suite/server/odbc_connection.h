// A connection to a suite server over ODBC (kept between calls by suite/server/odbc_pool.h). On
// PostgreSQL a direct connection gets the suite's settings once per session, a pooled request
// carries them (suite/server/postgres_settings.h); lookups sent again are read through libpq on a
// second connection of the desk's own, or a direct connection has the driver keep them prepared. A
// connect waits at most QMZ_CONNECT_TIMEOUT seconds. Why and how: docs/server-reads.md.
//
// Errors: qmz::Error; a failed connection says "Cannot connect to the suite database: " and
// why, without the password. Thread-safe: the pool locks; one connection is used by one thread
// at a time.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "qmz/variant.h"
#include "suite/server/driver_statements.h"
#include "suite/server/odbc_handle.h"
#include "suite/server/odbc_result.h"
#include "suite/server/pq_lookups.h"
#include "suite/server/prepared_statements.h"
#include "suite/server/server_watchdog.h"

namespace qmz::suite {

enum class OdbcDialect { kSqlServer, kSqlite, kPostgres };

class OdbcConnection {
 public:
  // `timeout`: the query timeout (seconds, 0 for none), which also bounds the connect.
  OdbcConnection(SQLHENV env, const std::string& connection_string, long timeout);
  ~OdbcConnection();
  OdbcConnection(const OdbcConnection&) = delete;
  OdbcConnection& operator=(const OdbcConnection&) = delete;

  SQLHDBC dbc() const { return dbc_.get(); }
  const OdbcHandle& handle() const { return dbc_; }
  OdbcDialect dialect() const { return dialect_; }
  // Whether the driver knows the connection is gone, or it fails a round trip.
  bool Dead() const;
  bool Ping();
  // Whether the statements that follow are read through a cursor; nothing on a driver that
  // cannot, or when the mode is already so. Error when the driver refuses the change.
  void StreamRows(bool on);
  // Whether the driver is psqlODBC with its cursor mode left to the suite (the connection string
  // names no UseDeclareFetch): StreamRows switches it, and long answers are read in pieces
  // (suite/server/odbc_pieces.h).
  bool switches_psqlodbc_cursor() const { return switches_psqlodbc_cursor_; }
  // Whether the server writes nothing for this connection (a standby in recovery, or read-only
  // transactions by default), as it said when the connection was made.
  bool read_only() const { return read_only_; }
  // Whether the connection reaches the PostgreSQL server itself, not through a pooler: its
  // session then keeps the suite's settings, given once, and a request carries none.
  bool direct() const { return direct_; }
  // The socket to the server, for a SilenceWatch (unknown for a driver that made none).
  const ServerSocket& socket() const { return socket_; }

  // Runs `sql` on `stmt` as one request, `stmt` left at the results of `sql`. On PostgreSQL the
  // request first gives its transaction the settings and `timeout` (seconds, 0 for none), unless
  // the open transaction has them already. Error on failure.
  void Run(const OdbcStatement& stmt, const std::string& sql, long timeout);
  // Runs the query `sql` as Run does, in autocommit. On PostgreSQL it may instead run as
  // `statement`, the same query with its values as parameters of `types`, executed with
  // `arguments` and kept prepared on the server session (suite/server/prepared_statements.h). A
  // session that lacks the statement, holds it already or holds it for old tables is given what it
  // needs in the request tried next; when the server cannot prepare it, or that request fails
  // as well, `sql` runs after all. Error on any other failure.
  void RunPrepared(const OdbcStatement& stmt, const std::string& sql, const std::string& statement,
                   const std::string& types, const std::string& arguments, long timeout);
  // The answer of the lookup `statement` ($1, $2, … of `types`, given `values`, written as
  // `arguments`), its columns named as `spelling` gives them, read through the desk's libpq
  // connection (suite/server/pq_lookups.h): on a PostgreSQL connection in autocommit, outside a
  // list's read. Null when it is not read so (RunKept, then RunPrepared, run it then). Error as
  // PqLookups::Read.
  RecordsetPtr ReadOnLibpq(const std::string& statement, const std::string& types,
                           const std::vector<Variant>& values, const std::string& arguments,
                           const Spelling* spelling, long timeout);
  // Runs the lookup `statement` ($1, $2, … of `types`, given `values`) on a statement the driver
  // keeps prepared (suite/server/driver_statements.h): on a direct PostgreSQL connection in
  // autocommit, outside a list's read. The statement to read the answer of and then close, or
  // null when the lookup did not run so (RunPrepared runs it then): not kept yet, or failed as a
  // kept statement (a type the server cannot take there, tables made anew), which is then never
  // tried so again. Error when it failed otherwise (timeout, cancel, a lost connection).
  DriverStatement* RunKept(const std::string& statement, const std::string& types,
                           const std::vector<Variant>& values, long timeout);
  // Gives the open transaction (autocommit off) the settings in a request of their own, unless
  // it has them: for a statement with parameters, which must be a request alone.
  void Settle(long timeout);
  // The statement timeout to hand the driver: none on PostgreSQL, where psqlODBC would set it
  // for the session (the requests carry their own).
  long DriverTimeout(long timeout) const {
    return dialect_ == OdbcDialect::kPostgres ? 0 : timeout;
  }
  // Autocommit on (each request its own transaction) or off; Error when the driver refuses.
  void SetAutocommit(bool on);
  bool autocommit() const { return autocommit_; }
  // After SQLEndTran: the next transaction starts without the settings.
  void TransactionEnded() { settled_ = false; }

  // A connection that saw a failure is closed, not given back.
  void MarkBroken() { broken_ = true; }
  bool broken() const { return broken_; }
  // When it was last given back to the pool.
  void MarkIdle(std::chrono::steady_clock::time_point now) { idle_since_ = now; }
  std::chrono::steady_clock::time_point idle_since() const { return idle_since_; }

 private:
  void SetUpPostgres();
  // Whether the session has the settings for `timeout` (a direct connection; its statement
  // timeout changed first when it differs); false where each request must carry them.
  bool Settled(long timeout);
  void SetUpStreaming(const std::string& connection_string);

  OdbcHandle dbc_;
  bool connected_ = false;
  OdbcDialect dialect_ = OdbcDialect::kSqlServer;
  bool switches_psqlodbc_cursor_ = false;
  bool streaming_ = false;  // the driver's cursor mode as StreamRows last set it
  bool read_only_ = false;
  bool direct_ = false;
  long session_timeout_ = 0;  // the statement timeout a direct session has
  bool autocommit_ = true;
  bool settled_ = false;  // the open transaction (autocommit off) has the settings
  bool broken_ = false;
  PreparedStatements prepared_;
  DriverStatements driver_statements_;
  std::unique_ptr<PqLookups> pq_lookups_;  // a PostgreSQL connection's, else null
  std::chrono::steady_clock::time_point idle_since_;
  ServerSocket socket_;
};

}  // namespace qmz::suite
