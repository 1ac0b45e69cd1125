// The embedded suite's Database: a SQLite file, the component's batches run through the T-SQL
// adaption step (tsql_adaption.h). Its connection is taken from the process's kept connections
// (sqlite_pool.h) and given back when the object ends, unless a statement of it failed.
// RunTsql on a list's read (platform/stoppable_read.h) counts the rows it reads, and a stop
// interrupts the statement that runs (sqlite3_interrupt); the connection is then not kept.
#pragma once

#include <memory>
#include <string>

#include "suite/database.h"
#include "suite/sqlite/sqlite_connection.h"

namespace qmz::suite {

class SqliteDatabase : public Database {
 public:
  // Opens an existing file; Error when it cannot be opened.
  explicit SqliteDatabase(const std::string& path);
  ~SqliteDatabase() override;
  SqliteDatabase(const SqliteDatabase&) = delete;
  SqliteDatabase& operator=(const SqliteDatabase&) = delete;

  TextRows Query(const std::string& sql, const Params& params) override;
  int64_t Execute(const std::string& sql, const Params& params) override;
  RecordsetPtr RunTsql(const std::string& tsql, bool list = false) override;

  SqliteConnection& Connection() { return *connection_; }

 private:
  // Runs `work`, noting a failure: the connection is then not kept.
  template <typename Work>
  auto Noted(Work&& work);

  std::string path_;
  std::unique_ptr<SqliteConnection> connection_;
  bool failed_ = false;
};

}  // namespace qmz::suite
