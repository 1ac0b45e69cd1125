// A long answer read from PostgreSQL in pieces of 5,000 rows from a cursor, two helper threads
// reading one piece while the next is fetched, at most two pieces held; a lookup's answer first
// as its plain statement with `limit 5001`, in one round trip; a list the server would run in
// parallel first made into a temporary table. The transaction a cursor opened is committed after
// the last piece, rolled back on failure. Why and how: docs/server-reads.md.
//
// psqlODBC connections only (two statements of one connection at work at once). Errors:
// qmz::Error with the driver's diagnostics; the helper threads have ended before any error
// reaches the caller.
#pragma once

#include <string>

#include "qmz/recordset.h"
#include "suite/server/odbc_connection.h"
#include "suite/server/odbc_result.h"
#include "suite/tsql/kept_adaption.h"

namespace qmz::suite {

// Whether `statement` is a plain query a cursor can be declared for: it starts with SELECT or
// WITH (the adaption writes no WITH that changes data).
bool ReadsInPieces(const std::string& statement);

// `list`: the answer feeds a list a person pages through (suite/database.h). A lookup's plain
// statement may run as `parameterized` (the same query, null for none), kept prepared by the
// connection.
RecordsetPtr ReadInPieces(OdbcConnection& connection, const std::string& select, long timeout,
                          const Spelling* spelling, bool list,
                          const Parameterized* parameterized = nullptr);

}  // namespace qmz::suite
