// Creating the suite on a PostgreSQL server: a suite built in an embedded SQLite database (the
// same demo or generated data) is copied there, table by table and row by row.
//
// Its tables are made afresh (an old table of the same name is dropped): the same columns, with
// case-insensitive texts as citext and reals as double precision, the same indexes; the
// functions the component's T-SQL needs (charindex) come with them. Rows go in with parameters,
// never pasted into the SQL, in the order the embedded suite holds them.
//
// Errors: qmz::Error with the server's message, or saying that only PostgreSQL is supported.
#pragma once

#include <string>

#include "suite/database.h"
#include "suite/sqlite/sqlite_connection.h"

namespace qmz::suite {

void CopySuiteToServer(SqliteConnection& source, Database& server);

// A CREATE TABLE of the embedded suite as PostgreSQL runs it.
std::string PostgresTable(const std::string& sqlite_create);

}  // namespace qmz::suite
