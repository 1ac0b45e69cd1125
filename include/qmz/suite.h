// The embedded suite: a real middle tier that implements every outside component the library
// calls, on a SQLite file or on a database server reached over ODBC ("odbc:" and a connection
// string), for hosts that run without the production middle tier (the baselist command, the
// examples, the tests).
//
// Use: OpenSuite(target) once, then LogIn(user). OpenSuite registers the suite's components in
// the ComponentRegistry; a component call takes a connection to the database that earlier calls
// kept (checked to be of the same file or server, and clean) or opens one, and gives it back;
// CloseSuite closes the kept ones. LogIn fills the login cache of this process (the
// properties GetLoginProperty reads: UserName, UserID, PropsString, AcctName, ...).
// Errors: qmz::Error with the database's message when it cannot be opened or read, or when
// the user is unknown. Threading: set up before the library is used, from the host's thread.
#pragma once

#include <cstdint>
#include <string>

#include "qmz/variant.h"

namespace qmz {

// Opens an existing suite database, a file or "odbc:..." (Error when it is missing, cannot be
// reached or is not a suite database) and registers the suite's components for this process.
// With a `read_target` (a standby of the same suite) the lookups' and the lists' queries and the
// reads of the suite's own tables go there; profile saves, and anything else that writes, go to
// `database_target`, and what the suite writes (a user's profile) is read back from there too,
// however far the standby lags. A read target that cannot be reached (here or at a later call)
// leaves the reads to `database_target`, with a warning (LastWarning); one that is no suite
// database fails here.
void OpenSuite(const std::string& database_target, const std::string& read_target = "");

// What the suite last set aside without troubling the user, "" for nothing since OpenSuite: a
// user's setting that could not be saved, tried twice (the second time on a new connection), or
// a read database that could not be reached, says so and why. The design ignores such a
// failure; a host may still tell someone.
std::string LastWarning();

// A host's health check of a suite database (a file or "odbc:...", as OpenSuite takes it, no
// suite open needed): connects as a desk would (within the desk's connect and query
// timeouts), reads the suite's schema, and answers a Dictionary: server (the database's name and
// version), read_only (it writes nothing for this desk: a standby in recovery, or read-only by
// default), application_name (as the server records the desk; "" on SQLite), round_trip_ms (one
// request's round trip, a double). Error with the reason when it cannot connect or holds no
// suite.
ObjectPtr CheckSuite(const std::string& target);

// Closes the connections the suite keeps between calls (the last session of a host ending); the
// components stay registered, and the next call opens anew.
void CloseSuite();

// Logs a user of the suite in by name. With `outer_login` the cache answers as for a host that
// logged in from outside (only the fourteen outer-login keys are served).
void LogIn(const std::string& user_name, bool outer_login = false);

// Creates a new suite database (replacing an existing file, or the suite's tables on a
// PostgreSQL server given as "odbc:..."): schema, users and rights, the system profile, and
// either the small demo data set or a large generated one.
void CreateDemoDatabase(const std::string& database_target);
void CreateLargeDatabase(const std::string& database_target, int32_t items,
                         int32_t batches_per_item, int32_t warehouses);

}  // namespace qmz
