// The per-process pool of connections to suite servers over ODBC, keyed by the connection string:
// at most one idle per string, closed after a minute idle (QMZ_IDLE_CONNECTION_SECONDS, 1 to
// 86400); an idle one is checked alive before it is handed out, and one that saw a failure or is
// left inside a transaction is closed instead of given back. A child of fork() never uses or
// closes its parent's connections. Why: docs/server-reads.md.
//
// Errors: as OdbcConnection's constructor. Thread-safe: the pool locks.
#pragma once

#include <memory>
#include <string>

#include "suite/server/odbc_connection.h"

namespace qmz::suite {

// A connection for `connection_string`: an idle one of the pool, alive, or a new one.
std::unique_ptr<OdbcConnection> TakeConnection(const std::string& connection_string, long timeout);
// A new connection, after one of the pool turned out dead: the idle ones of the same string,
// which most likely died with it (a server restart), are closed.
std::unique_ptr<OdbcConnection> TakeNewConnection(const std::string& connection_string,
                                                  long timeout);
// Closes every idle connection of the pool.
void CloseIdleConnections();
// Gives a connection back (a broken one is closed).
void GiveBackConnection(const std::string& connection_string,
                        std::unique_ptr<OdbcConnection> connection);

}  // namespace qmz::suite
