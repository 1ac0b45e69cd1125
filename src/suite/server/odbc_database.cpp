#include "suite/server/odbc_database.h"

#include "suite/server/odbc_api.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <map>
#include <memory>

#include "platform/stoppable_read.h"
#include "platform/text.h"
#include "qmz/error.h"
#include "suite/server/odbc_pieces.h"
#include "suite/server/odbc_pool.h"
#include "suite/server/odbc_result.h"
#include "suite/server/wide_text.h"

namespace qmz::suite {

namespace {

// How long past the query timeout a silent server is waited for: its own timeout's error may
// take a moment to arrive.
constexpr auto kSilenceMargin = std::chrono::seconds(2);

// Whether the user stopped the list's read this thread runs: its statement was cancelled, and
// is not run again.
bool StopAsked() {
  const StoppableRead* read = CurrentRead();
  return read && read->StopAsked();
}

SQLWCHAR* Wide(std::u16string& text) {
  return reinterpret_cast<SQLWCHAR*>(text.data());
}

// The parameters as UTF-16 texts; the buffers live until the statement has run.
struct BoundTexts {
  std::vector<std::u16string> texts;
  std::vector<SQLLEN> lengths;
};

void BindTexts(const OdbcStatement& stmt, const Params& params, BoundTexts& bound) {
  bound.texts.resize(params.size());
  bound.lengths.resize(params.size());
  for (size_t i = 0; i < params.size(); ++i) {
    std::u16string& text = bound.texts[i];
    if (params[i]) text = Utf8ToUtf16(*params[i]);
    const auto bytes = static_cast<SQLLEN>(text.size() * sizeof(char16_t));
    bound.lengths[i] = params[i] ? bytes : SQL_NULL_DATA;
    stmt.Check(SQLBindParameter(stmt.get(), static_cast<SQLUSMALLINT>(i + 1), SQL_PARAM_INPUT,
                                SQL_C_WCHAR, SQL_WVARCHAR, std::max<SQLULEN>(1, text.size()), 0,
                                Wide(text), bytes, &bound.lengths[i]));
  }
}

// Parameters bound, then run directly: the server gets them apart from the text, in one round
// trip, and keeps no prepared statement to be dropped afterwards.
void Run(const OdbcStatement& stmt, const std::string& sql, const Params& params) {
  BoundTexts bound;
  BindTexts(stmt, params, bound);
  stmt.Run(Utf8ToUtf16(sql));
}

}  // namespace

long QueryTimeoutSetting() {
  const char* text = std::getenv("QMZ_QUERY_TIMEOUT");
  if (text == nullptr || *text == '\0') return 60;
  // The drivers count the limit in milliseconds in 32 bits: a longer one would wrap.
  char* end = nullptr;
  errno = 0;
  const long seconds = std::strtol(text, &end, 10);
  if (*end != '\0' || errno == ERANGE || seconds < 0 || seconds > kMaxQueryTimeout ||
      !std::isdigit(static_cast<unsigned char>(*text))) {
    throw Error("QMZ_QUERY_TIMEOUT must be a number of seconds from 0 (no limit) to " +
                std::to_string(kMaxQueryTimeout) + ": " + text);
  }
  return seconds;
}

OdbcDatabase::OdbcDatabase(const std::string& connection_string)
    : connection_string_(connection_string), query_timeout_(QueryTimeoutSetting()) {
  connection_ = TakeConnection(connection_string_, query_timeout_);
}

OdbcDatabase::~OdbcDatabase() {
  GiveBackConnection(connection_string_, std::move(connection_));
}

std::chrono::milliseconds OdbcDatabase::SilenceLimit() const {
  if (query_timeout_ <= 0) return std::chrono::milliseconds(0);
  return std::chrono::seconds(query_timeout_) + kSilenceMargin;
}

template <typename Work>
auto OdbcDatabase::Watched(Work&& work) {
  SilenceWatch watch(connection_->socket(), SilenceLimit());
  // A watch that fired has shut the driver's socket, even when the answer came another way (the
  // lookups' libpq connection, which waits a second longer): that connection is not used again.
  struct BrokenIfFired {
    const SilenceWatch& watch;
    OdbcConnection& connection;
    ~BrokenIfFired() {
      if (watch.Fired()) connection.MarkBroken();
    }
  } broken_if_fired{watch, *connection_};
  try {
    return work();
  } catch (const Error&) {
    if (!watch.Fired()) throw;
    connection_->MarkBroken();
    throw NoAnswer(std::to_string(query_timeout_));
  }
}

template <typename Work>
auto OdbcDatabase::RetriedOnNewIfPoolDied(Work&& work) {
  try {
    auto result = Watched(work);
    used_ = true;
    return result;
  } catch (const NoAnswer&) {
    used_ = true;
    throw;
  } catch (const Error&) {
    connection_->MarkBroken();
    if (used_ || StopAsked() || (!connection_->Dead() && connection_->Ping())) throw;
  }
  // The connection from the pool died while it waited (the server restarted): a new one, and
  // the statement once more.
  connection_ = TakeNewConnection(connection_string_, query_timeout_);
  used_ = true;
  try {
    return Watched(work);
  } catch (const Error&) {
    connection_->MarkBroken();
    throw;
  }
}

void OdbcDatabase::Request(const OdbcStatement& stmt, const std::string& sql,
                           const Params& params) {
  if (params.empty()) {
    connection_->Run(stmt, sql, query_timeout_);
    return;
  }
  connection_->Settle(query_timeout_);
  Run(stmt, sql, params);
}

TextRows OdbcDatabase::Query(const std::string& sql, const Params& params) {
  return RetriedOnNewIfPoolDied(
      [&] { return SettledApart(!params.empty(), [&] { return QueryOnce(sql, params); }); });
}

TextRows OdbcDatabase::QueryOnce(const std::string& sql, const Params& params) {
  OdbcStatement stmt(connection_->dbc(), connection_->DriverTimeout(query_timeout_));
  Request(stmt, sql, params);
  TextRows rows;
  const SQLSMALLINT columns = stmt.ColumnCount();
  if (columns == 0) return rows;
  for (SQLRETURN rc; (rc = SQLFetch(stmt.get())) != SQL_NO_DATA;) {
    stmt.Check(rc);
    auto& row = rows.emplace_back();
    for (SQLUSMALLINT c = 1; c <= static_cast<SQLUSMALLINT>(columns); ++c) {
      row.push_back(ColumnText(stmt, c));
    }
  }
  return rows;
}

int64_t OdbcDatabase::Execute(const std::string& sql, const Params& params) {
  return RetriedOnNewIfPoolDied([&] {
    return SettledApart(!params.empty(), [&] {
      OdbcStatement stmt(connection_->dbc(), connection_->DriverTimeout(query_timeout_));
      Request(stmt, sql, params);
      SQLLEN changed = 0;
      stmt.Check(SQLRowCount(stmt.get(), &changed));
      return static_cast<int64_t>(changed);
    });
  });
}

OdbcDatabase::Dialect OdbcDatabase::DatabaseDialect() const {
  return connection_->dialect();
}

std::shared_ptr<const AdaptedTsql> OdbcDatabase::Statements(const std::string& tsql) const {
  switch (DatabaseDialect()) {
    case Dialect::kSqlServer: {
      auto batch = std::make_shared<AdaptedTsql>();
      batch->statements.push_back(tsql);
      return batch;
    }
    case Dialect::kSqlite:
      return KeptAdaption(tsql, Target::kSqlite);
    case Dialect::kPostgres:
      break;
  }
  return KeptAdaption(tsql, Target::kPostgres);
}

RecordsetPtr OdbcDatabase::RunTsql(const std::string& tsql, bool list) {
  std::shared_ptr<const AdaptedTsql> adapted;
  RecordsetPtr result = RetriedOnNewIfPoolDied([&] {
    adapted = Statements(tsql);
    return SettledApart(adapted->statements.size() > 1,
                        [&] { return RunTsqlOnce(*adapted, list); });
  });
  // Once the server's transaction has ended: the connection holds nothing while the rows sort.
  PutInOrder(*adapted, *result);
  return result;
}

RecordsetPtr OdbcDatabase::RunTsqlOnce(const AdaptedTsql& adapted, bool list) {
  // A batch's answer may be a list of any length: on PostgreSQL it is read in pieces, and its
  // other statements' rows through the driver's cursor. The suite's own short queries are not.
  // The cursor mode is switched only for what the driver reads: a lookup answered through libpq
  // leaves it alone.
  struct StopStreaming {
    OdbcConnection& connection;
    ~StopStreaming() {
      try {
        connection.StreamRows(false);
      } catch (const Error&) {
        connection.MarkBroken();
      }
    }
  } stop{*connection_};
  RecordsetPtr result;
  // A server that folds names answers them as the select list or the batch spells them.
  const bool folds_names = DatabaseDialect() == Dialect::kPostgres;
  const bool spelled = folds_names && adapted.names;
  Spelling spelling;
  if (spelled) spelling.batch_names = &adapted.names->batch_names;
  for (size_t s = 0; s < adapted.statements.size(); ++s) {
    const std::string& statement = adapted.statements[s];
    if (spelled) spelling.select_names = &adapted.names->select_names[s];
    if (!result && connection_->switches_psqlodbc_cursor() && ReadsInPieces(statement)) {
      const bool alone = adapted.statements.size() == 1;
      result = ReadInPieces(*connection_, statement, query_timeout_, &spelling, list,
                            alone ? &adapted.parameterized : nullptr);
      continue;
    }
    connection_->StreamRows(true);
    OdbcStatement stmt(connection_->dbc(), connection_->DriverTimeout(query_timeout_));
    connection_->Run(stmt, statement, query_timeout_);
    // A batch answers one result after another; the first with columns is the answer. A
    // statement of the batch that fails after the first reports its error too.
    SQLRETURN more = SQL_SUCCESS;
    for (; OdbcOk(more); more = SQLMoreResults(stmt.get())) {
      const SQLSMALLINT columns = stmt.ColumnCount();
      if (!result && columns > 0) {
        ResultReader reader(stmt, columns, folds_names ? &spelling : nullptr);
        reader.ReadRows(stmt);
        result = reader.records();
      }
    }
    if (more != SQL_NO_DATA) stmt.Check(more);
  }
  if (!result) throw Error("The SQL batch returned no rows");
  return result;
}

void OdbcDatabase::Begin() {
  connection_->SetAutocommit(false);
}

void OdbcDatabase::End(bool commit) {
  SilenceWatch watch(connection_->socket(), SilenceLimit());
  const SQLRETURN rc =
      SQLEndTran(SQL_HANDLE_DBC, connection_->dbc(), commit ? SQL_COMMIT : SQL_ROLLBACK);
  connection_->TransactionEnded();
  bool on = true;
  try {
    connection_->SetAutocommit(true);
  } catch (const Error&) {
    on = false;
  }
  if (!commit || !OdbcOk(rc) || !on) connection_->MarkBroken();
  if (commit && watch.Fired()) throw NoAnswer(std::to_string(query_timeout_));
  if (commit) connection_->handle().Check(rc);
}

}  // namespace qmz::suite
