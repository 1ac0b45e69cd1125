// An ODBC connection string naming several servers for psqlODBC, rewritten into the form the
// driver reads: `Server=a,b;Port=p,q` (which psqlODBC would pass on with the first port alone)
// becomes libpq's multi-host form, `pqopt={host=a,b port=p,q target_session_attrs=read-write}`,
// without Server and Port, so that a connection reaches whichever server writes (the primary
// after a failover).
//
// Only a string whose Driver names PostgreSQL and whose Server lists more than one host, with no
// pqopt of its own, is rewritten; any other string comes back as it is (SQL Server's drivers
// read `Server=host,port` as one host and its port). A pure function.
#pragma once

#include <string>

namespace qmz::suite {

std::string WithHostsInPqopt(const std::string& connection_string);

}  // namespace qmz::suite
