#include "suite/server/pq_lookups.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <string_view>

#include "platform/plain_number.h"
#include "platform/text.h"
#include "qmz/error.h"
#include "suite/server/libpq_library.h"
#include "suite/server/postgres_settings.h"
#include "suite/server/prepared_statements.h"
#include "suite/server/server_watchdog.h"

namespace qmz::suite {

namespace {

using Clock = std::chrono::steady_clock;

// How long the driver reads every lookup after a connect failed.
constexpr std::chrono::seconds kConnectPause{30};

// libpq's functions, once PqLookups::Read has found it loaded.
const LibpqFunctions& Pq() {
  return *Libpq();
}

// How a column is read: a ColumnKind, a boolean, or not here (the driver's reading differs).
constexpr int kBoolean = -1;
constexpr int kNotReadHere = -2;

// A column of type `type` as psqlODBC hands it over; `citext`: that type's oid on the server.
int KindOfType(Oid type, uint32_t citext) {
  switch (type) {
    case 16:  // bool: psqlODBC's "1" and "0"
      return kBoolean;
    case 20:  // int8
    case 21:  // int2
    case 23:  // int4
    case 26:  // oid
      return static_cast<int>(ColumnKind::kInteger);
    case 700:   // float4
    case 701:   // float8
    case 1700:  // numeric
      return static_cast<int>(ColumnKind::kDouble);
    case 19:    // name
    case 25:    // text
    case 1042:  // bpchar
    case 1043:  // varchar
    case 1082:  // date
    case 1114:  // timestamp without time zone
      return static_cast<int>(ColumnKind::kText);
    default:
      return type != 0 && type == citext ? static_cast<int>(ColumnKind::kText) : kNotReadHere;
  }
}

// A parameter's type as PREPARE writes it, as an oid; 0 leaves it to what it is compared with.
Oid ParameterType(const std::string& type) {
  if (type == "int") return 23;
  if (type == "bigint") return 20;
  if (type == "numeric") return 1700;
  return 0;
}

struct ResultFree {
  void operator()(PGresult* result) const { Pq().PQclear(result); }
};
using Result = std::unique_ptr<PGresult, ResultFree>;

std::string StateOf(const PGresult* result) {
  const char* state = result ? Pq().PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
  return state ? state : "";
}

// The server's message on one line.
std::string MessageOf(const PGresult* result, PGconn* connection) {
  std::string text = result ? Pq().PQresultErrorMessage(result) : Pq().PQerrorMessage(connection);
  for (char& c : text) {
    if (c == '\n' || c == '\r' || c == '\t') c = ' ';
  }
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

// A number as the server writes it ("1.5", "-1e+300", "Infinity", "NaN"), whatever the host's
// locale. One past a double's range reads as strtod reads it: an infinity, or 0 for one too
// small (a numeric of 1e400, 0.000…1).
double ParsedDouble(const char* text, int length) {
  return ReadPlainDouble(std::string_view(text, static_cast<size_t>(length))).value_or(0.0);
}

int64_t ParsedInteger(const char* text, int length) {
  int64_t value = 0;
  std::from_chars(text, text + length, value);
  return value;
}

// What `answer`, the answer of the query kept as `key`, relies on of the settings: its floating
// numbers and dates as the server writes them, and a text it computed, which may hold either
// (a number or a date cast to text); a text taken straight from a table holds neither.
Reliance RelianceOf(const PGresult* answer, const std::string& key, uint32_t citext) {
  Reliance reliance{false, false, ComparesWithNull(key), MakesSets(key)};
  for (int c = 0; c < Pq().PQnfields(answer); ++c) {
    const Oid type = Pq().PQftype(answer, c);
    const bool computed_text = Pq().PQftable(answer, c) == 0 && type != 1082 && type != 1114 &&
                               KindOfType(type, citext) == static_cast<int>(ColumnKind::kText);
    reliance.digits |= type == 700 || type == 701 || computed_text;   // float4, float8
    reliance.dates |= type == 1082 || type == 1114 || computed_text;  // date, timestamp
  }
  return reliance;
}

// The socket of a libpq connection, as the watchdog's functions know sockets.
ServerSocket SocketOf(PGconn* connection) {
  return ServerSocket::Of(Pq().PQsocket(connection));
}

// How each column of `answer` is read, or nullopt when one is not read here.
std::optional<std::vector<int>> KindsOf(const PGresult* answer, uint32_t citext) {
  std::vector<int> kinds;
  for (int c = 0; c < Pq().PQnfields(answer); ++c) {
    kinds.push_back(KindOfType(Pq().PQftype(answer, c), citext));
    if (kinds.back() == kNotReadHere) return std::nullopt;
  }
  return kinds;
}

// The rows of `answer`, each column read as `kinds` says, named as `spelling` gives them.
RecordsetPtr RowsOf(const PGresult* answer, const std::vector<int>& kinds,
                    const Spelling* spelling) {
  std::vector<std::string> names;
  for (int c = 0; c < Pq().PQnfields(answer); ++c) {
    const std::string given = Pq().PQfname(answer, c);
    names.push_back(spelling ? (*spelling)(static_cast<size_t>(c), given) : given);
  }
  auto records = std::make_shared<Recordset>(std::move(names));
  for (int r = 0; r < Pq().PQntuples(answer); ++r) {
    for (int c = 0; c < static_cast<int>(kinds.size()); ++c) {
      if (Pq().PQgetisnull(answer, r, c)) {
        records->AppendNull();
        continue;
      }
      const char* text = Pq().PQgetvalue(answer, r, c);
      switch (kinds[static_cast<size_t>(c)]) {
        case kBoolean:
          records->AppendText(*text == 't' ? "1" : "0");
          break;
        case static_cast<int>(ColumnKind::kInteger):
          records->AppendInteger(ParsedInteger(text, Pq().PQgetlength(answer, r, c)));
          break;
        case static_cast<int>(ColumnKind::kDouble):
          records->AppendDouble(ParsedDouble(text, Pq().PQgetlength(answer, r, c)));
          break;
        default:
          records->AppendText({text, static_cast<size_t>(Pq().PQgetlength(answer, r, c))});
          break;
      }
    }
    records->EndRecord();
  }
  return records;
}

}  // namespace

PqLookups::PqLookups(std::string conninfo, bool direct)
    : conninfo_(std::move(conninfo)), direct_(direct) {}

PqLookups::~PqLookups() {
  Drop();
}

void PqLookups::Drop() {
  if (connection_) Pq().PQfinish(connection_);
  connection_ = nullptr;
  prepared_.ForgetKept();
  session_timeout_ = -1;
}

void PqLookups::Deallocate(const std::string& name, Clock::time_point deadline) {
  Result gone(RunToEnd("deallocate " + name, deadline));
}

bool PqLookups::Connect(long timeout, Clock::time_point deadline) {
  connection_ = Pq().PQconnectdb(conninfo_.c_str());
  if (Pq().PQstatus(connection_) != CONNECTION_OK) {
    PauseConnecting();
    return false;
  }
  // As the driver's connection is set up: read committed first (a standby refuses a
  // serializable default), backslashes ordinary in texts, then the suite's settings.
  Result where(
      RunToEnd("set transaction isolation level read committed;\n"
               "select case when current_setting('standard_conforming_strings') <> 'on' "
               "then set_config('standard_conforming_strings', 'on', false) end, "
               "coalesce(host(inet_server_addr()), ''), "
               "coalesce(inet_server_port()::text, ''), pg_backend_pid(), "
               "coalesce(to_regtype('citext')::oid, 0)",
               deadline));
  if (Pq().PQresultStatus(where.get()) != PGRES_TUPLES_OK || Pq().PQntuples(where.get()) != 1) {
    PauseConnecting();  // a pooler with no server to give, a server restarting: asked again later
    return false;
  }
  if (direct_ && !ReachesServerItself(SocketOf(connection_), Pq().PQgetvalue(where.get(), 0, 1),
                                      Pq().PQgetvalue(where.get(), 0, 2),
                                      std::atol(Pq().PQgetvalue(where.get(), 0, 3)))) {
    Drop();
    unusable_ = true;
    return false;
  }
  citext_ = static_cast<uint32_t>(std::strtoul(Pq().PQgetvalue(where.get(), 0, 4), nullptr, 10));
  if (!direct_) return true;  // through a pooler each request carries the settings
  const std::string settings =
      "set session characteristics as transaction isolation level read committed;\n" +
      SessionSettings(timeout);
  Result set(RunToEnd(settings, deadline));
  if (Pq().PQresultStatus(set.get()) != PGRES_TUPLES_OK) {
    PauseConnecting();
    return false;
  }
  session_timeout_ = timeout;
  return true;
}

void PqLookups::PauseConnecting() {
  Drop();
  connect_again_ = Clock::now() + kConnectPause;
}

PGresult* PqLookups::RunToEnd(const std::string& sql, Clock::time_point deadline) {
  if (!Pq().PQsendQuery(connection_, sql.c_str())) return nullptr;
  Result last;
  while (Result next{NextResult(deadline)}) last = std::move(next);
  return last.release();
}

void PqLookups::AwaitAnswer(Clock::time_point deadline) {
  // Over TLS, records already read from the socket may wait inside the TLS library, which the
  // socket does not show: looked for again every 10 ms.
  const bool tls = Pq().PQsslInUse(connection_) != 0;
  while (Pq().PQisBusy(connection_)) {
    int wait = tls ? 10 : -1;
    if (deadline != Clock::time_point::max()) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() <= 0) {
        Drop();
        throw Error(
            "The suite database did not answer a lookup in time; its connection was dropped");
      }
      const int until_deadline = static_cast<int>(std::min<long long>(left.count(), 1 << 30));
      wait = tls ? std::min(wait, until_deadline) : until_deadline;
    }
    // The deadline is checked above.
    if (!WaitReadable(Pq().PQsocket(connection_), wait) && !tls) continue;
    if (!Pq().PQconsumeInput(connection_)) return;  // the result says why
  }
}

PGresult* PqLookups::NextResult(Clock::time_point deadline) {
  AwaitAnswer(deadline);
  return Pq().PQgetResult(connection_);
}

PGresult* PqLookups::TakeResult(Clock::time_point deadline) {
  Result first(NextResult(deadline));
  while (Result more{NextResult(deadline)}) {
  }
  return first.release();
}

PqLookups::Prepared* PqLookups::Prepare(const std::string& key, const std::string& statement,
                                        const std::string& types, Clock::time_point deadline) {
  std::vector<Oid> oids;
  if (!types.empty()) {
    for (const std::string& type : SplitText(types, ',')) oids.push_back(ParameterType(Trim(type)));
  }
  if (const std::optional<Prepared> oldest = prepared_.MakeRoom())
    Deallocate(oldest->name, deadline);
  Prepared prepared;
  prepared.name = "qmz_lookup_" + std::to_string(++names_);
  if (!Pq().PQsendPrepare(connection_, prepared.name.c_str(), statement.c_str(),
                          static_cast<int>(oids.size()), oids.data())) {
    return nullptr;
  }
  Result made(TakeResult(deadline));
  if (Pq().PQresultStatus(made.get()) != PGRES_COMMAND_OK) {
    if (FailsHoweverSent(StateOf(made.get()))) throw Error(MessageOf(made.get(), connection_));
    if (Pq().PQstatus(connection_) == CONNECTION_OK) prepared_.Refuse(key);
    return nullptr;
  }
  if (!Pq().PQsendDescribePrepared(connection_, prepared.name.c_str())) return nullptr;
  Result described(TakeResult(deadline));
  std::optional<std::vector<int>> kinds;
  if (Pq().PQresultStatus(described.get()) == PGRES_COMMAND_OK) {
    kinds = KindsOf(described.get(), citext_);
  }
  if (!kinds) {
    Deallocate(prepared.name, deadline);
    prepared_.Refuse(key);
    return nullptr;
  }
  prepared.kinds = std::move(*kinds);
  return &prepared_.Keep(key, std::move(prepared));
}

RecordsetPtr PqLookups::Read(const std::string& statement, const std::string& types,
                             const std::vector<Variant>& values, const std::string& arguments,
                             const Spelling* spelling, long timeout,
                             std::chrono::milliseconds limit) {
  if (conninfo_.empty() || unusable_ || Libpq() == nullptr) return nullptr;
  if (!connection_ && Clock::now() < connect_again_) return nullptr;
  const Clock::time_point deadline =
      limit.count() > 0 ? Clock::now() + limit : Clock::time_point::max();
  if (direct_) {
    const std::string key = types + "\n" + statement;
    Prepared* found = prepared_.Find(key);  // none while no connection is open
    if (found == nullptr && !prepared_.Due(key)) return nullptr;
    if (!connection_ && !Connect(timeout, deadline)) return nullptr;
    return ReadPrepared(key, found, statement, types, values, spelling, timeout, deadline);
  }
  PreparedStatements::Use use = sent_.For(statement, types, arguments);
  if (use.request.empty()) return nullptr;
  if (!connection_ && !Connect(timeout, deadline)) return nullptr;
  return ReadSent(std::move(use), spelling, timeout, deadline);
}

RecordsetPtr PqLookups::ReadPrepared(const std::string& key, Prepared* found,
                                     const std::string& statement, const std::string& types,
                                     const std::vector<Variant>& values, const Spelling* spelling,
                                     long timeout, Clock::time_point deadline) {
  if (timeout != session_timeout_) {
    Result changed(RunToEnd(SessionTimeout(timeout), deadline));
    if (Pq().PQresultStatus(changed.get()) != PGRES_TUPLES_OK) {
      Drop();
      return nullptr;
    }
    session_timeout_ = timeout;
  }
  Prepared* prepared = found ? found : Prepare(key, statement, types, deadline);
  if (prepared == nullptr) {
    if (Pq().PQstatus(connection_) != CONNECTION_OK) Drop();
    return nullptr;
  }

  std::vector<std::string> texts;
  std::vector<const char*> pointers;
  texts.reserve(values.size());
  for (const Variant& value : values) texts.push_back(value.ToText());
  for (const std::string& text : texts) pointers.push_back(text.c_str());
  if (!Pq().PQsendQueryPrepared(connection_, prepared->name.c_str(),
                                static_cast<int>(pointers.size()), pointers.data(), nullptr,
                                nullptr, 0)) {
    Drop();
    return nullptr;
  }
  Result answer(TakeResult(deadline));
  if (Pq().PQresultStatus(answer.get()) != PGRES_TUPLES_OK) {
    const std::string state = StateOf(answer.get());
    if (Pq().PQstatus(connection_) != CONNECTION_OK) {
      Drop();  // the driver's connection says what became of the server
      return nullptr;
    }
    if (FailsHoweverSent(state)) throw Error(MessageOf(answer.get(), connection_));
    // The session lost the statement, or its tables were made anew: prepared again later. Any
    // other failure is the driver's to report.
    if (state != "26000") Deallocate(prepared->name, deadline);
    if (PreparesAgain(state)) {
      prepared_.Forget(key);
    } else {
      prepared_.Refuse(key);
    }
    return nullptr;
  }
  if (Pq().PQnfields(answer.get()) != static_cast<int>(prepared->kinds.size())) {
    Deallocate(prepared->name, deadline);
    prepared_.Forget(key);  // not as described: described again
    return nullptr;
  }
  return RowsOf(answer.get(), prepared->kinds, spelling);
}

RecordsetPtr PqLookups::ReadSent(PreparedStatements::Use use, const Spelling* spelling,
                                 long timeout, Clock::time_point deadline) {
  for (bool first = true; !use.request.empty(); first = false) {
    // A query executed by name carries only the settings its answer relies on, once an answer
    // has shown them; a query prepared in the request, all of them.
    const auto relied = use.prepares ? relied_.end() : relied_.find(use.name);
    const bool guarded = Guarded(use.request);
    const std::string settings = relied == relied_.end()
                                     ? PostgresSettings(timeout, guarded)
                                     : LookupSettings(timeout, relied->second, guarded);
    const std::string request = settings + use.request;
    if (!Pq().PQsendQuery(connection_, request.c_str())) {
      Drop();
      return nullptr;
    }
    // The settings' results and those before the query's, then its answer; a failure ends the
    // request.
    Result answer;
    for (int before = ResultsOf(settings) + use.results_before; before >= 0; --before) {
      answer.reset(NextResult(deadline));
      if (!answer || Pq().PQresultStatus(answer.get()) == PGRES_FATAL_ERROR) break;
    }
    while (Result more{NextResult(deadline)}) {
    }
    if (Pq().PQresultStatus(answer.get()) == PGRES_TUPLES_OK) {
      const std::optional<std::vector<int>> kinds = KindsOf(answer.get(), citext_);
      if (kinds) {
        // Learnt from the request that prepared the statement: its columns cannot change while
        // it stays prepared (the server refuses such an execution, 0A000, and it is prepared
        // again).
        if (relied == relied_.end()) {
          if (relied_.size() >= kMostRelied) relied_.clear();
          relied_[use.name] = RelianceOf(answer.get(), use.key, citext_);
        }
        return RowsOf(answer.get(), *kinds, spelling);
      }
      sent_.Refuse(use);
      return nullptr;  // the driver reads it, now and from now on
    }
    const std::string state = StateOf(answer.get());
    if (Pq().PQstatus(connection_) != CONNECTION_OK) {
      Drop();
      return nullptr;
    }
    std::optional<PreparedStatements::Use> next = sent_.Failed(use, state, first);
    if (!next) {
      if (FailsHoweverSent(state)) throw Error(MessageOf(answer.get(), connection_));
      return nullptr;  // the driver's to run and report
    }
    use = std::move(*next);
  }
  return nullptr;  // the query's own text, which the driver sends
}

}  // namespace qmz::suite
