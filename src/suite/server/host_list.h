// An ODBC connection string for PostgreSQL as a DBA writes it, made into what psqlODBC reads.
//
// For a string whose Driver names PostgreSQL:
//  - blanks around the keys, the values and the commas of a list are dropped ("Server=a, b");
//  - several servers (`Server=a,b;Port=p,q`, which psqlODBC would pass on with the first port
//    alone) become libpq's multi-host form in pqopt, `host=a,b port=p,q`, without Server and
//    Port, with `target_session_attrs=read-write` for the database the suite writes (a
//    connection reaches whichever server is the primary) or `prefer-standby` for a read
//    database (a standby while one answers, else any server);
//  - a pqopt of the string's own is kept and merged: what it sets wins, its `sslmode` goes to
//    psqlODBC's own SSLmode (psqlODBC refuses it inside pqopt);
//  - pqopt gains what a site needs and the string does not set: `application_name` (the
//    component and the program, for pg_stat_activity) and TCP keepalives with a
//    `tcp_user_timeout` of the query timeout, so that a server gone silent is found out by the
//    connection itself.
// Any other string comes back as it is (SQL Server's drivers read `Server=host,port` as one host
// and its port). Pure functions.
#pragma once

#include <string>
#include <vector>

#include "suite/server/server_watchdog.h"

namespace qmz::suite {

enum class ServerRole { kPrimary, kRead };

struct DriverOptions {
  ServerRole role = ServerRole::kPrimary;
  long timeout_seconds = 0;  // the query timeout; 0 for none (no tcp_user_timeout then)
  std::string program;       // for application_name: the host program's name
};

std::string ForPsqlodbc(const std::string& connection_string, const DriverOptions& options);

// The servers a string made by ForPsqlodbc names (Server and Port, or pqopt's host and port),
// for the watchdog to know the connection's socket by; none for a string that names none (a
// DSN), or no PostgreSQL.
std::vector<ServerAddress> ServersOf(const std::string& driver_string);

// The libpq connection string for the server and session a string made by ForPsqlodbc reaches:
// its server(s), port(s), database, user, password and SSL mode, its pqopt, a UTF-8 client
// encoding and a connect timeout of `connect_seconds`. "" for a string libpq cannot be given alike:
// a DSN, no PostgreSQL, or any keyword that changes what psqlODBC asks of the server or how it
// hands answers over (ConnSettings, BoolsAsChar, LFConversion, …: only the driver's own
// client-side options are allowed beside the connection's).
std::string LibpqConninfo(const std::string& driver_string, long connect_seconds);

// The application_name a desk gives its connections: "QMZBaseList " and the program's name,
// cut to PostgreSQL's 63 bytes.
std::string ApplicationName(const std::string& program);

}  // namespace qmz::suite
