// Connections to the embedded suite's file kept between batches, so that a lookup costs its
// statements and not the opening and set-up of a connection (functions, collation, pragmas).
//
// A connection is handed out only as a new one would be:
//  - of this file: the file's identity (device and inode) and its read-only mark are checked
//    at every take; a file replaced, removed or marked read-only since is opened anew (a
//    removed one fails as opening it fails), never answered from the old one;
//  - clean: one that saw a failure, that is inside a transaction (a read snapshot included) or
//    that holds a temporary table is closed instead of kept;
//  - of this process: a child of fork() never uses or closes its parent's connections.
// Another process's committed writes are seen by the next statement, as SQLite reads the file
// anew once it changed. At most four idle connections per file; CloseKeptSqliteConnections
// closes them all (the last session of the process closing).
//
// Errors: qmz::Error as SqliteConnection's. Thread-safe: the pool locks; a connection taken is
// used by one thread until given back.
#pragma once

#include <memory>
#include <string>

#include "suite/sqlite/sqlite_connection.h"

namespace qmz::suite {

// A kept connection to `path`, or a new one; Error when the file cannot be opened.
std::unique_ptr<SqliteConnection> TakeSqliteConnection(const std::string& path);
// Keeps a connection for the next batch, or closes it when it is not clean (`failed`: it saw a
// failure).
void GiveBackSqliteConnection(const std::string& path, std::unique_ptr<SqliteConnection> connection,
                              bool failed);
void CloseKeptSqliteConnections();

}  // namespace qmz::suite
