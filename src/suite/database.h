// One connection to the suite's database for one component call: the embedded SQLite file or a
// database server reached over ODBC. Underneath, connections are kept between calls and checked
// before they are handed out again (suite/sqlite/sqlite_pool.h, suite/server/odbc_connection.h), so
// that each call starts as on a new connection.
//
// The suite's own tables (users, rights, profiles) are read and written with Query and Execute
// in SQL that every suite database runs unchanged, with `?` parameters, never pasted texts. The
// component's T-SQL batches go through RunTsql, which hands them to the database in its
// dialect: byte for byte to SQL Server, through the adaption step to SQLite and to PostgreSQL
// (suite/tsql/tsql_adaption.h), whose answers carry the names the batch gives them.
//
// Errors are qmz::Error with the database's message. A Database belongs to one thread.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "qmz/recordset.h"

namespace qmz::suite {

using TextRows = std::vector<std::vector<std::optional<std::string>>>;
// Statement parameters as texts; nullopt is NULL.
using Params = std::vector<std::optional<std::string>>;

class Database {
 public:
  virtual ~Database() = default;

  // One statement with text parameters; every row's values as texts (NULL as nullopt).
  virtual TextRows Query(const std::string& sql, const Params& params = {}) = 0;
  // One statement without rows; the number of rows it changed.
  virtual int64_t Execute(const std::string& sql, const Params& params = {}) = 0;
  // A batch the component composed: the result of its first statement that returns columns,
  // with the columns' names and kinds (integers, doubles, texts, nulls), its rows in the
  // batch's order, ties alike on every database (the adaption may leave that order to the
  // reader, which gives it after the statements: suite/tsql/kept_adaption.h). Error when no
  // statement returns columns; ReadStopped when the running read's user stopped it. `list`: the
  // answer feeds a list a person pages through and may be long, which a server may read otherwise;
  // the rows are the same.
  virtual RecordsetPtr RunTsql(const std::string& tsql, bool list = false) = 0;
};

// What `--db` and OpenSuite take: "odbc:" followed by an ODBC connection string, or the path of
// an existing SQLite file.
bool IsOdbcTarget(const std::string& target);
std::unique_ptr<Database> OpenDatabase(const std::string& target);

}  // namespace qmz::suite
