// One SQLite connection of the embedded suite, with the functions that make the suite's T-SQL
// run: the collation TSQL (ASCII case and trailing blanks ignored, like the production
// database's default collation), charindex(needle, text[, start]) and a T-SQL LIKE
// (% _ [set] [^set], ASCII case ignored, trailing blanks of the value ignored). Result columns
// are named as the select list writes them.
//
// A connection keeps the last 32 statements it ran prepared (texts up to 8 KiB), reset and
// without bindings, so that one sent again is not parsed again; a kept statement holds no read
// transaction, and SQLite prepares it anew when the schema changed.
//
// Errors are qmz::Error carrying SQLite's message; a database locked by another program is
// waited for up to five seconds, then reported as in use. A connection belongs to one thread.
#pragma once

#include <sqlite3.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_state.h"

namespace qmz::suite {

class SqliteConnection {
 public:
  // Opens a database file; `create` allows a new file. An existing file without write
  // permission opens read-only (writes then fail), whoever runs us. Error when it cannot be
  // opened.
  SqliteConnection(const std::string& path, bool create);
  ~SqliteConnection();
  SqliteConnection(const SqliteConnection&) = delete;
  SqliteConnection& operator=(const SqliteConnection&) = delete;

  sqlite3* handle() const { return db_; }
  // Whether it opened read-only.
  bool read_only() const { return read_only_; }
  // Whether a file is marked read-only: nobody may write it, or this process may not. A marked
  // file opens read-only, also for root, whom the system would let write it.
  static bool MarkedReadOnly(const std::string& path);
  // When StillOf is asked: as the connection is taken for a call, or given back after it.
  enum class Moment { kTaken, kGivenBack };
  // Whether a new connection to `path` would be this one: the same file (volume and number) with
  // the same read-only mark, asked again only when the file's status changed since it was last
  // asked (its change time). False when the file cannot be seen. When given back, the file's
  // modification time and size are noted as this connection left them (after its own writes);
  // when taken, a file written since (by another program, or copied over in place: a backup put
  // back, whose change counter SQLite would take for its own) has its pages dropped from the
  // connection's cache, so that what it now holds is read. One stat.
  bool StillOf(const std::string& path, Moment moment);

  // Runs one or more statements without results.
  void Exec(const std::string& sql);
  // Runs one statement with text parameters; every row's values as texts (NULL as nullopt).
  std::vector<std::vector<std::optional<std::string>>> QueryTexts(
      const std::string& sql, const std::vector<std::optional<std::string>>& params = {});

  std::string LastError() const { return sqlite3_errmsg(db_); }

 private:
  friend class Statement;
  // A prepared statement for `sql`: a kept one, or a new one; Error when it cannot be prepared.
  sqlite3_stmt* Acquire(const std::string& sql);
  // Keeps a statement Acquire gave out (reset, bindings cleared), or finalizes it.
  void Release(const std::string& sql, sqlite3_stmt* statement);

  struct KeptStatement {
    std::string sql;
    sqlite3_stmt* statement;
  };
  std::vector<KeptStatement> kept_;  // the most recently released last
  sqlite3* db_ = nullptr;
  bool read_only_ = false;
  // The file as opened; its status change time as when its mark was last asked, its content's
  // change time and size as this connection left them.
  FileState state_;
};

// Registers the collation TSQL, like and charindex on a connection opened elsewhere (every
// SqliteConnection has them already).
void RegisterSuiteFunctions(sqlite3* db);

// T-SQL LIKE of `text` against `pattern`, on UTF-8 code points.
bool TsqlLike(const std::string& text, const std::string& pattern);
// T-SQL comparison under the TSQL collation: negative, zero or positive.
int TsqlCompare(std::string_view a, std::string_view b);

// RAII prepared statement.
class Statement {
 public:
  Statement(SqliteConnection& connection, const std::string& sql);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  void Bind(int index, int64_t value);
  void Bind(int index, double value);
  void Bind(int index, const std::string& value);
  void BindNull(int index);
  // Steps once: true while a row is there. Error on failure.
  bool Step();
  void Reset();
  sqlite3_stmt* handle() const { return statement_; }

 private:
  SqliteConnection& connection_;
  std::string sql_;
  sqlite3_stmt* statement_ = nullptr;
};

}  // namespace qmz::suite
