#include "suite/server/odbc_connection.h"

#include "suite/server/odbc_api.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <optional>
#include <thread>
#include <vector>

#include "platform/program.h"
#include "platform/stoppable_read.h"
#include "platform/text.h"
#include "qmz/error.h"
#include "suite/middle_tier/login_cache.h"
#include "suite/server/host_list.h"
#include "suite/server/odbc_result.h"
#include "suite/server/postgres_settings.h"
#include "suite/server/wide_text.h"

namespace qmz::suite {

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kRetryPause = std::chrono::milliseconds(200);
constexpr long kDefaultConnectTimeout = 10;
constexpr long kMaxConnectTimeout = 300;

// How long a connect may take: QMZ_CONNECT_TIMEOUT seconds (1 to 300), else 10; never longer
// than the query timeout when there is one.
long ConnectTimeout(long query_timeout) {
  long seconds = kDefaultConnectTimeout;
  if (const char* text = std::getenv("QMZ_CONNECT_TIMEOUT"); text && *text) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (*end == '\0' && value >= 1 && value <= kMaxConnectTimeout) seconds = value;
  }
  return query_timeout > 0 ? std::min(seconds, query_timeout) : seconds;
}

// A read database's connections prefer a standby; the one the suite writes needs the primary.
ServerRole RoleOf(const std::string& connection_string) {
  const LoginCache& cache = ProcessLoginCache();
  return cache.read_path != cache.database_path && cache.read_path == "odbc:" + connection_string
             ? ServerRole::kRead
             : ServerRole::kPrimary;
}

constexpr auto kPingLimit = std::chrono::milliseconds(10000);
// How long past the query timeout a lookup on libpq is waited for: the desk's watch on the
// driver's connection allows two seconds.
constexpr long kLibpqMargin = 3;

// A new connection's first request on PostgreSQL: standard_conforming_strings on for the
// session when the server started it off (poolers keep it per client), whether the server writes
// nothing, and where this connection ends on the server (the address and port of its end, and
// its server process), by which a connection that reaches the server directly is told from one
// through a pooler. Read committed first: a standby refuses a serializable default.
constexpr char16_t kPostgresSetUp[] =
    u"set transaction isolation level read committed;\n"
    u"select case when current_setting('standard_conforming_strings') <> 'on' "
    u"then set_config('standard_conforming_strings', 'on', false) end, "
    u"(pg_is_in_recovery() or current_setting('transaction_read_only') = 'on')::text || '|' || "
    u"coalesce(host(inet_server_addr()), '') || '|' || coalesce(inet_server_port()::text, '') || "
    u"'|' || pg_backend_pid()";

// Whether the connection reaches the server itself, from what the set-up's select said.
bool Direct(const ServerSocket& socket, const std::string& where) {
  const std::vector<std::string> parts = SplitText(where, '|');
  if (parts.size() != 4) return false;
  return ReachesServerItself(socket, parts[1], parts[2], std::atol(parts[3].c_str()));
}

// Past `count` results, to those of the request's statement.
void SkipResults(const OdbcStatement& stmt, int count) {
  for (int result = 0; result < count; ++result) stmt.Check(SQLMoreResults(stmt.get()));
}

// Runs a statement and reads its rows away; the last column of the first row of its first
// result with columns ("" for none). Error on failure.
std::string RunQuietly(const OdbcHandle& dbc, const char16_t* sql) {
  OdbcHandle stmt(SQL_HANDLE_STMT, dbc.get());
  auto* text = reinterpret_cast<SQLWCHAR*>(const_cast<char16_t*>(sql));
  stmt.Check(SQLExecDirectW(stmt.get(), text, SQL_NTS));
  SQLSMALLINT columns = 0;
  SQLNumResultCols(stmt.get(), &columns);
  while (columns == 0 && OdbcOk(SQLMoreResults(stmt.get()))) {
    SQLNumResultCols(stmt.get(), &columns);
  }
  std::string last;
  for (bool first = true; OdbcOk(SQLFetch(stmt.get())); first = false) {
    if (first && columns > 0) {
      last = ColumnText(stmt, static_cast<SQLUSMALLINT>(columns)).value_or("");
    }
  }
  return last;
}

// psqlODBC's own connection attributes: reading results through a cursor (declare/fetch) and
// the rows each fetch brings.
constexpr SQLINTEGER kPsqlodbcDeclareFetch = 65539;
constexpr SQLINTEGER kPsqlodbcFetchRows = 65541;
constexpr SQLINTEGER kStreamedRows = 10000;

bool NamesStreaming(const std::string& connection_string) {
  return FindIgnoreCase(connection_string, "UseDeclareFetch") != std::string::npos;
}

}  // namespace

OdbcConnection::OdbcConnection(SQLHENV env, const std::string& connection_string, long timeout)
    : dbc_(SQL_HANDLE_DBC, env), session_timeout_(timeout) {
  const long limit = ConnectTimeout(timeout);
  SQLSetConnectAttr(dbc_.get(), SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(limit), 0);
  const std::string driver_string =
      ForPsqlodbc(connection_string, {RoleOf(connection_string), timeout, ProgramName()});
  const std::vector<ServerAddress> servers = ServersOf(driver_string);
  std::u16string text = Utf8ToUtf16(driver_string);
  const Clock::time_point deadline = Clock::now() + std::chrono::seconds(limit);
  for (int attempt = 0;; ++attempt) {
    SQLRETURN rc = SQL_ERROR;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    socket_ = ServerSocket::MadeBy(
        [&] {
          rc = SQLDriverConnectW(dbc_.get(), nullptr, reinterpret_cast<SQLWCHAR*>(text.data()),
                                 static_cast<SQLSMALLINT>(text.size()), nullptr, 0, nullptr,
                                 SQL_DRIVER_NOPROMPT);
        },
        servers, std::max(left, std::chrono::milliseconds(1)));
    if (OdbcOk(rc)) break;
    const bool cut_off = ConnectCutOff();
    const std::string why = OdbcDiagnostics(SQL_HANDLE_DBC, dbc_.get());
    // A server that is starting, full or briefly unreachable is tried once more in the time left.
    if (attempt == 0 && !cut_off && Clock::now() + kRetryPause < deadline) {
      std::this_thread::sleep_for(kRetryPause);
      continue;
    }
    throw Error("Cannot connect to the suite database" +
                (cut_off ? " within " + std::to_string(limit) + " seconds" : std::string()) + ": " +
                why);
  }
  connected_ = true;
  char16_t name[128] = {};
  SQLSMALLINT length = 0;
  SQLGetInfoW(dbc_.get(), SQL_DBMS_NAME, name, sizeof name - sizeof name[0], &length);
  const std::string dbms = Utf16ToUtf8(name);
  if (dbms.find("PostgreSQL") != std::string::npos) {
    dialect_ = OdbcDialect::kPostgres;
    SetUpPostgres();
    SetUpStreaming(connection_string);
    pq_lookups_ = std::make_unique<PqLookups>(LibpqConninfo(driver_string, limit), direct_);
  } else if (dbms.find("SQLite") != std::string::npos) {
    dialect_ = OdbcDialect::kSqlite;
  }
}

OdbcConnection::~OdbcConnection() {
  driver_statements_ = DriverStatements();  // freed while their connection is open
  pq_lookups_.reset();
  if (connected_) SQLDisconnect(dbc_.get());
}

void OdbcConnection::SetUpPostgres() {
  try {
    // psqlODBC answers a boolean as "1" or "0".
    const std::string where = RunQuietly(dbc_, kPostgresSetUp);
    read_only_ = where.rfind("true|", 0) == 0;
    direct_ = Direct(socket_, where);
    if (!direct_) {
      prepared_ = PreparedStatements(false);  // a pooler's sessions are shared
    } else {
      RunQuietly(dbc_, Utf8ToUtf16("set session characteristics as transaction isolation level "
                                   "read committed;\n" +
                                   SessionSettings(session_timeout_))
                           .c_str());
    }
  } catch (const Error& e) {
    SQLDisconnect(dbc_.get());
    connected_ = false;
    throw Error(std::string("Cannot set up the connection to the suite database: ") + e.what());
  }
}

// Only psqlODBC knows the attributes, and only when the connection string leaves the choice to
// the suite; a driver that refuses them reads as it reads.
void OdbcConnection::SetUpStreaming(const std::string& connection_string) {
  char16_t driver[128] = {};
  SQLSMALLINT length = 0;
  SQLGetInfoW(dbc_.get(), SQL_DRIVER_NAME, driver, sizeof driver - sizeof driver[0], &length);
  if (Utf16ToUtf8(driver).find("psqlodbc") == std::string::npos ||
      NamesStreaming(connection_string)) {
    return;
  }
  switches_psqlodbc_cursor_ =
      OdbcOk(SQLSetConnectAttr(dbc_.get(), kPsqlodbcFetchRows,
                               reinterpret_cast<SQLPOINTER>(kStreamedRows), 0)) &&
      OdbcOk(
          SQLSetConnectAttr(dbc_.get(), kPsqlodbcDeclareFetch, reinterpret_cast<SQLPOINTER>(0), 0));
}

void OdbcConnection::Run(const OdbcStatement& stmt, const std::string& sql, long timeout) {
  if (dialect_ != OdbcDialect::kPostgres || (!autocommit_ && settled_) || Settled(timeout)) {
    stmt.Run(Utf8ToUtf16(sql));
    return;
  }
  const std::string settings = PostgresSettings(timeout, Guarded(sql));
  stmt.Run(Utf8ToUtf16(settings + sql));
  SkipResults(stmt, ResultsOf(settings));
  if (!autocommit_) settled_ = true;
}

bool OdbcConnection::Settled(long timeout) {
  if (!direct_) return false;
  if (timeout != session_timeout_) {
    // Inside a transaction a session setting would be undone with it: the transaction's own.
    if (!autocommit_) return false;
    // The one setting a call may change: its session's own, in a round trip of its own.
    RunQuietly(dbc_, Utf8ToUtf16(SessionTimeout(timeout)).c_str());
    session_timeout_ = timeout;
  }
  return true;
}

void OdbcConnection::RunPrepared(const OdbcStatement& stmt, const std::string& sql,
                                 const std::string& statement, const std::string& types,
                                 const std::string& arguments, long timeout) {
  if (dialect_ != OdbcDialect::kPostgres || !autocommit_) return Run(stmt, sql, timeout);
  PreparedStatements::Use use = prepared_.For(statement, types, arguments);
  const bool settled = Settled(timeout);
  for (bool first = true; !use.request.empty(); first = false) {
    try {
      if (settled) {
        stmt.Run(Utf8ToUtf16(use.request));
        SkipResults(stmt, use.results_before);
      } else {
        const std::string settings = PostgresSettings(timeout, Guarded(use.request));
        stmt.Run(Utf8ToUtf16(settings + use.request));
        SkipResults(stmt, ResultsOf(settings) + use.results_before);
      }
      return;
    } catch (const Error&) {
      // The request ended with its transaction: what the session lacked is tried next.
      std::optional<PreparedStatements::Use> next =
          prepared_.Failed(use, OdbcState(SQL_HANDLE_STMT, stmt.get()), first);
      if (!next) throw;
      stmt.Close();
      use = std::move(*next);
    }
  }
  Run(stmt, sql, timeout);
}

RecordsetPtr OdbcConnection::ReadOnLibpq(const std::string& statement, const std::string& types,
                                         const std::vector<Variant>& values,
                                         const std::string& arguments, const Spelling* spelling,
                                         long timeout) {
  if (!pq_lookups_ || !autocommit_ || CurrentRead() != nullptr) return nullptr;
  // A second past the desk's own watch on the driver's connection, which speaks first.
  const std::chrono::milliseconds limit =
      timeout > 0 ? std::chrono::seconds(timeout + kLibpqMargin) : std::chrono::milliseconds(0);
  return pq_lookups_->Read(statement, types, values, arguments, spelling, timeout, limit);
}

DriverStatement* OdbcConnection::RunKept(const std::string& statement, const std::string& types,
                                         const std::vector<Variant>& values, long timeout) {
  if (dialect_ != OdbcDialect::kPostgres || !autocommit_ || !direct_ || CurrentRead() != nullptr ||
      !Settled(timeout)) {
    return nullptr;
  }
  DriverStatement* kept = nullptr;
  try {
    kept = driver_statements_.Bound(dbc_.get(), statement, types, values);
    if (kept == nullptr) return nullptr;
    const SQLRETURN rc = kept->stmt().Execute();
    if (rc != SQL_NO_DATA) kept->stmt().Check(rc);
    return kept;
  } catch (const Error&) {
    const std::string state = kept ? OdbcState(SQL_HANDLE_STMT, kept->stmt().get()) : "";
    if (FailsHoweverSent(state)) {
      SQLFreeStmt(kept->stmt().get(), SQL_CLOSE);  // kept for the next call
      throw;
    }
    // A server session that lost the statement, or tables made anew since it was planned: kept
    // again later. Any other failure (a value the statement cannot take as a parameter): never.
    if (PreparesAgain(state)) {
      driver_statements_.Forget(statement, types);
    } else {
      driver_statements_.Refuse(statement, types);
    }
    return nullptr;
  }
}

void OdbcConnection::Settle(long timeout) {
  if (dialect_ != OdbcDialect::kPostgres || autocommit_ || settled_ || Settled(timeout)) return;
  OdbcStatement stmt(dbc_.get(), 0);
  // The transaction's statements come in requests of their own: guarded here for them all.
  stmt.Run(Utf8ToUtf16(PostgresSettings(timeout, true)));
  settled_ = true;
}

void OdbcConnection::SetAutocommit(bool on) {
  settled_ = false;
  handle().Check(SQLSetConnectAttr(
      dbc_.get(), SQL_ATTR_AUTOCOMMIT,
      reinterpret_cast<SQLPOINTER>(on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF), 0));
  autocommit_ = on;
}

void OdbcConnection::StreamRows(bool on) {
  if (!switches_psqlodbc_cursor_ || streaming_ == on) return;
  handle().Check(SQLSetConnectAttr(dbc_.get(), kPsqlodbcDeclareFetch,
                                   reinterpret_cast<SQLPOINTER>(on ? 1 : 0), 0));
  streaming_ = on;
}

bool OdbcConnection::Dead() const {
  SQLUINTEGER dead = SQL_CD_FALSE;
  const SQLRETURN rc =
      SQLGetConnectAttr(dbc_.get(), SQL_ATTR_CONNECTION_DEAD, &dead, sizeof dead, nullptr);
  return OdbcOk(rc) && dead == SQL_CD_TRUE;
}

bool OdbcConnection::Ping() {
  SilenceWatch watch(socket_, kPingLimit);
  try {
    RunQuietly(dbc_, u"select 1");
    return !watch.Fired();
  } catch (const Error&) {
    return false;
  }
}

}  // namespace qmz::suite
