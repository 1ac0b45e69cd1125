#include "suite/sqlite/sqlite_connection.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "platform/file_state.h"
#include "platform/text.h"
#include "platform/utf8.h"
#include "qmz/error.h"

namespace qmz::suite {

namespace {

char32_t Fold(char32_t c) {
  return (c >= 'A' && c <= 'Z') ? c + 32 : c;
}

size_t WithoutTrailingBlanks(std::string_view s) {
  size_t n = s.size();
  while (n > 0 && s[n - 1] == ' ') --n;
  return n;
}

// Matches one character against a [set] starting after '['; `end` receives the index past ']'.
// Returns nullopt when the set is not closed (then '[' is an ordinary character).
std::optional<bool> MatchSet(const std::u32string& p, size_t start, char32_t c, size_t& end) {
  size_t i = start;
  bool negate = i < p.size() && p[i] == '^';
  if (negate) ++i;
  bool hit = false;
  bool first = true;
  while (i < p.size() && (p[i] != ']' || first)) {
    first = false;
    char32_t low = Fold(p[i]);
    if (i + 2 < p.size() && p[i + 1] == '-' && p[i + 2] != ']') {
      char32_t high = Fold(p[i + 2]);
      if (Fold(c) >= low && Fold(c) <= high) hit = true;
      i += 3;
    } else {
      if (Fold(c) == low) hit = true;
      ++i;
    }
  }
  if (i >= p.size()) return std::nullopt;
  end = i + 1;
  return hit != negate;
}

// Iterative matcher with backtracking to the last '%' only: linear in practice, never
// exponential.
bool Match(const std::u32string& t, const std::u32string& p) {
  size_t ti = 0, pi = 0;
  size_t star_p = std::u32string::npos, star_t = 0;
  while (ti < t.size()) {
    if (pi < p.size() && p[pi] == '%') {
      star_p = ++pi;
      star_t = ti;
      continue;
    }
    if (pi < p.size()) {
      size_t next = pi + 1;
      bool ok;
      if (p[pi] == '_') {
        ok = true;
      } else if (p[pi] == '[') {
        auto set = MatchSet(p, pi + 1, t[ti], next);
        ok = set ? *set : Fold(t[ti]) == '[';
        if (!set) next = pi + 1;
      } else {
        ok = Fold(t[ti]) == Fold(p[pi]);
      }
      if (ok) {
        ++ti;
        pi = next;
        continue;
      }
    }
    if (star_p == std::u32string::npos) return false;
    pi = star_p;
    ti = ++star_t;
  }
  while (pi < p.size() && p[pi] == '%') ++pi;
  return pi == p.size();
}

std::string ArgText(sqlite3_value* value) {
  const unsigned char* text = sqlite3_value_text(value);
  return text ? reinterpret_cast<const char*>(text) : "";
}

void LikeFunction(sqlite3_context* context, int argc, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
    sqlite3_result_null(context);
    return;
  }
  // SQLite calls like(pattern, text) for "text LIKE pattern".
  sqlite3_result_int(context, TsqlLike(ArgText(argv[1]), ArgText(argv[0])) ? 1 : 0);
}

void CharIndexFunction(sqlite3_context* context, int argc, sqlite3_value** argv) {
  for (int i = 0; i < argc; ++i) {
    if (sqlite3_value_type(argv[i]) == SQLITE_NULL) {
      sqlite3_result_null(context);
      return;
    }
  }
  std::u32string needle = DecodeUtf8(ArgText(argv[0]));
  std::u32string text = DecodeUtf8(ArgText(argv[1]));
  int64_t start = argc > 2 ? sqlite3_value_int64(argv[2]) : 1;
  if (start < 1) start = 1;
  if (needle.empty()) {
    sqlite3_result_int(context, 0);
    return;
  }
  for (size_t i = static_cast<size_t>(start - 1); i + needle.size() <= text.size(); ++i) {
    bool same = true;
    for (size_t k = 0; k < needle.size() && same; ++k) same = Fold(text[i + k]) == Fold(needle[k]);
    if (same) {
      sqlite3_result_int64(context, static_cast<int64_t>(i + 1));
      return;
    }
  }
  sqlite3_result_int(context, 0);
}

int CollateTsql(void*, int la, const void* a, int lb, const void* b) {
  return TsqlCompare(std::string_view(static_cast<const char*>(a), static_cast<size_t>(la)),
                     std::string_view(static_cast<const char*>(b), static_cast<size_t>(lb)));
}

// SQLite's message, with what a busy database means for the user.
std::string StatementError(sqlite3* db, int rc) {
  std::string message = sqlite3_errmsg(db);
  if ((rc & 0xFF) == SQLITE_BUSY || (rc & 0xFF) == SQLITE_LOCKED) {
    return "The suite database is in use by another program; try again later (" + message + ")";
  }
  return message;
}

}  // namespace

void RegisterSuiteFunctions(sqlite3* db) {
  const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
  sqlite3_create_function(db, "like", 2, flags, nullptr, LikeFunction, nullptr, nullptr);
  sqlite3_create_function(db, "charindex", 2, flags, nullptr, CharIndexFunction, nullptr, nullptr);
  sqlite3_create_function(db, "charindex", 3, flags, nullptr, CharIndexFunction, nullptr, nullptr);
  sqlite3_create_collation(db, "TSQL", SQLITE_UTF8, nullptr, CollateTsql);
}

bool TsqlLike(const std::string& text, const std::string& pattern) {
  return Match(DecodeUtf8(text.substr(0, WithoutTrailingBlanks(text))), DecodeUtf8(pattern));
}

int TsqlCompare(std::string_view a, std::string_view b) {
  return CompareCollated(a, b);
}

// A file that nobody may write is opened read-only, also for root, whom the system would let
// write it anyway: a database someone marked read-only is never changed by us.
bool SqliteConnection::MarkedReadOnly(const std::string& path) {
  return FileMarkedReadOnly(path);
}

bool SqliteConnection::StillOf(const std::string& path, Moment moment) {
  const std::optional<FileState> now = StateOfFile(path);
  if (!now || now->volume != state_.volume || now->number != state_.number) return false;
  if (now->size != state_.size || now->written != state_.written) {
    // No statement runs between calls: every cached page may go.
    if (moment == Moment::kTaken) sqlite3_db_release_memory(db_);
    state_.written = now->written;
    state_.size = now->size;
  }
  if (now->changed == state_.changed) return true;  // neither its mode nor its owner changed
  if (MarkedReadOnly(path) != read_only_) return false;
  state_.changed = now->changed;
  return true;
}

SqliteConnection::SqliteConnection(const std::string& path, bool create) {
  // The file's identity before it is opened: should it be replaced in between, the connection
  // is only taken for stale once too often, never the other way round.
  state_ = StateOfFile(path).value_or(FileState{});
  // One connection, one thread: SQLite need not lock each call.
  int flags = SQLITE_OPEN_NOMUTEX;
  read_only_ = !create && MarkedReadOnly(path);
  flags |=
      read_only_ ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
  int rc = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
  if (rc != SQLITE_OK) {
    std::string message = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
    sqlite3_close(db_);
    db_ = nullptr;
    throw Error("Cannot open the suite database " + path + ": " + message);
  }
  sqlite3_busy_timeout(db_, 5000);
  RegisterSuiteFunctions(db_);
  // Result columns named as written in the select list, not by SQLite's declared names.
  try {
    Exec("PRAGMA short_column_names=OFF; PRAGMA full_column_names=OFF;");
  } catch (...) {
    sqlite3_close(db_);
    throw;
  }
}

SqliteConnection::~SqliteConnection() {
  for (const KeptStatement& kept : kept_) sqlite3_finalize(kept.statement);
  sqlite3_close(db_);
}

sqlite3_stmt* SqliteConnection::Acquire(const std::string& sql) {
  for (auto it = kept_.rbegin(); it != kept_.rend(); ++it) {
    if (it->sql.size() != sql.size() || it->sql != sql) continue;
    sqlite3_stmt* statement = it->statement;
    kept_.erase(std::next(it).base());
    return statement;
  }
  sqlite3_stmt* statement = nullptr;
  int rc = sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &statement, nullptr);
  if (rc != SQLITE_OK) throw Error(StatementError(db_, rc));
  if (statement == nullptr) throw Error("Empty statement");
  return statement;
}

void SqliteConnection::Release(const std::string& sql, sqlite3_stmt* statement) {
  constexpr size_t kKeptStatements = 32;
  constexpr size_t kLongestKept = 8192;
  sqlite3_reset(statement);
  sqlite3_clear_bindings(statement);
  if (sql.size() > kLongestKept) {
    sqlite3_finalize(statement);
    return;
  }
  if (kept_.size() == kKeptStatements) {
    sqlite3_finalize(kept_.front().statement);
    kept_.erase(kept_.begin());
  }
  kept_.push_back({sql, statement});
}

void SqliteConnection::Exec(const std::string& sql) {
  char* message = nullptr;
  int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message);
  sqlite3_free(message);
  if (rc != SQLITE_OK) throw Error(StatementError(db_, rc));
}

std::vector<std::vector<std::optional<std::string>>> SqliteConnection::QueryTexts(
    const std::string& sql, const std::vector<std::optional<std::string>>& params) {
  Statement statement(*this, sql);
  for (size_t i = 0; i < params.size(); ++i) {
    params[i] ? statement.Bind(static_cast<int>(i + 1), *params[i])
              : statement.BindNull(static_cast<int>(i + 1));
  }
  std::vector<std::vector<std::optional<std::string>>> rows;
  while (statement.Step()) {
    std::vector<std::optional<std::string>> row;
    for (int c = 0; c < sqlite3_column_count(statement.handle()); ++c) {
      const unsigned char* text = sqlite3_column_text(statement.handle(), c);
      row.push_back(text ? std::optional<std::string>(reinterpret_cast<const char*>(text))
                         : std::nullopt);
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

Statement::Statement(SqliteConnection& connection, const std::string& sql)
    : connection_(connection), sql_(sql), statement_(connection.Acquire(sql)) {}

Statement::~Statement() {
  connection_.Release(sql_, statement_);
}

void Statement::Bind(int index, int64_t value) {
  sqlite3_bind_int64(statement_, index, value);
}
void Statement::Bind(int index, double value) {
  sqlite3_bind_double(statement_, index, value);
}
void Statement::Bind(int index, const std::string& value) {
  sqlite3_bind_text(statement_, index, value.data(), static_cast<int>(value.size()),
                    SQLITE_TRANSIENT);
}
void Statement::BindNull(int index) {
  sqlite3_bind_null(statement_, index);
}

bool Statement::Step() {
  int rc = sqlite3_step(statement_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  throw Error(StatementError(connection_.handle(), rc));
}

void Statement::Reset() {
  sqlite3_reset(statement_);
  sqlite3_clear_bindings(statement_);
}

}  // namespace qmz::suite
