// The suite's collation TSQL and its T-SQL functions (like, charindex) on a connection somebody
// else opened, here the one Qt's SQLite driver opens for the peer of the open benchmark.
#pragma once

#include <sqlite3.h>

namespace qmz::bench {

// Registers them on `db`, as qmz::suite::SqliteConnection does on its own connections.
void RegisterSuiteFunctions(sqlite3* db);

}  // namespace qmz::bench
