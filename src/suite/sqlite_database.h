// The embedded suite's Database: a SQLite file, the component's batches run through the T-SQL
// adaption step (tsql_adaption.h).
#pragma once

#include <string>

#include "suite/database.h"
#include "suite/sqlite_connection.h"

namespace qmz::suite {

class SqliteDatabase : public Database {
 public:
  // Opens an existing file (or a new one with `create`); Error when it cannot be opened.
  SqliteDatabase(const std::string& path, bool create);

  TextRows Query(const std::string& sql, const Params& params) override;
  int64_t Execute(const std::string& sql, const Params& params) override;
  RecordsetPtr RunBatch(const std::string& tsql, bool list = false) override;

  SqliteConnection& Connection() { return connection_; }

 private:
  SqliteConnection connection_;
};

}  // namespace qmz::suite
