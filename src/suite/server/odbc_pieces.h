// A long answer read from PostgreSQL in pieces, the server working on the next piece while the
// suite reads the last.
//
// The SELECT becomes a cursor of the connection's transaction (`declare qmz_rows no scroll cursor
// for ...`, in a transaction of its own when the connection is in autocommit), fetched 5,000 rows
// at a time, the declaration and the first piece in one round trip. When the first piece is
// full, two helper threads take the pieces in turn, each on a statement of its own: one reads
// its piece (in blocks the driver converts into bound arrays, suite/server/odbc_result.h) while the
// other fetches the next piece and reads it too, and the pieces join the answer in order. The
// server's work and the suite's reading overlap as they do for a client that reads a plain
// statement as it arrives, and the reading itself uses two cores. At most two pieces are held
// at once, whatever the length of the answer. The transaction the cursor opened is committed
// (closing it) after the last piece; on failure it is rolled back and the connection is not given
// back to the pool.
//
// An answer that is not a list (a lookup) is first asked for as the plain statement with `limit
// 5001` (a piece and a row), which the driver reads whole in that one round trip; a statement
// with a LIMIT, OFFSET, FETCH or FOR of its own is declared and its first piece fetched in the
// same request instead (the statements of one request are one transaction, so the cursor lives
// for that round trip). An answer longer than a piece is read again as above. A lookup sent
// again runs as a statement the connection keeps prepared, planned once (OdbcConnection::
// RunPrepared).
//
// PostgreSQL never runs a cursor in parallel. For a list whose plain statement the server would
// run in parallel (its plan, asked first, gathers workers), the answer is first made into a
// temporary table in parallel (`create temp table qmz_answer on commit drop as ...`, dropped with
// the transaction), and the cursor reads that table in the order it was written. An answer no
// table can hold (two columns of one name), or a role that may make no temporary table, falls
// back to the cursor over the statement; any other failure is reported. A server that writes
// nothing (a standby, read-only transactions) never gets the table: it is known from the
// connection, and a refusal to write (SQLSTATE 25006) falls back as well.
//
// For psqlODBC connections only (the driver must let two statements of one connection work at
// once: its own locks serialise what must be; a driver manager set to serialise every call
// only makes the reading slower). Errors: qmz::Error with the driver's diagnostics;
// the helper thread has ended before any error reaches the caller.
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
