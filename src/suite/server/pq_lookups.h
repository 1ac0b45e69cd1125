// PqLookups: the lookups of a desk's direct PostgreSQL connection, read through libpq on a second
// connection of the desk's own, as statements prepared at the protocol level: a lookup sent again
// costs one Bind and Execute in one round trip, its answer read straight from the server's rows.
// Through the ODBC driver the same lookup costs several times the client's own processor time.
//
// The connection is made at the first lookup sent a second time, from the driver's connection
// string (host_list.h: LibpqConninfo), and given the suite's settings for its session
// (postgres_settings.h); it is used only when it too reaches the server itself. A query (its values
// as $1, $2, … of `types`, typed as PREPARE would type them) is kept prepared as
// suite/server/kept_queries.h says; its answer's columns must all be of types read here byte for
// byte as the driver hands them over (integers, floating and numeric numbers, texts, booleans as
// "1" and "0", dates and timestamps without zone), else the query is left to the driver. A query
// that fails as a prepared statement for its own reasons (a type its values cannot take there) is
// left to the driver too; the server's loss of the statement, or tables made anew, have it prepared
// again later.
//
// Waits at most `limit` for an answer (0: no limit), then drops its connection. Errors: qmz::Error
// with the server's message for a failure that any way of sending would meet (a timeout, a
// cancel, a lost or silent connection); nothing else throws. Belongs to its ODBC connection, used
// by one thread at a time.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "qmz/recordset.h"
#include "qmz/variant.h"
#include "suite/server/kept_queries.h"
#include "suite/server/odbc_result.h"

struct pg_conn;  // libpq's PGconn

namespace qmz::suite {

class PqLookups {
 public:
  // `conninfo` for libpq ("" for none: nothing is read here then).
  explicit PqLookups(std::string conninfo);
  ~PqLookups();
  PqLookups(const PqLookups&) = delete;
  PqLookups& operator=(const PqLookups&) = delete;

  // The answer of `statement` with parameters of `types` ("int, unknown") given `values`, its
  // columns named as `spelling` gives them; null when it is not read here (see above). `timeout`:
  // the query timeout in seconds, for the session; `limit`: how long its answer is waited for.
  RecordsetPtr Read(const std::string& statement, const std::string& types,
                    const std::vector<Variant>& values, const Spelling* spelling, long timeout,
                    std::chrono::milliseconds limit);

  // Whether the connection is open (for tests and the pool's count).
  bool open() const { return connection_ != nullptr; }

 private:
  struct Prepared {
    std::string name;
    std::vector<int> kinds;  // the columns', as ColumnKind, or -1 for a boolean
  };
  bool Connect(long timeout);
  void Drop();
  // Frees a prepared statement on the server (a failure is left for the next request to meet).
  void Deallocate(const std::string& name);
  // The statement prepared for `key`, or null when the query is left to the driver.
  Prepared* Prepare(const std::string& key, const std::string& statement, const std::string& types,
                    std::chrono::steady_clock::time_point deadline);
  // Waits for the answer of what was sent; Error when it does not come by `deadline`.
  void AwaitAnswer(std::chrono::steady_clock::time_point deadline);

  std::string conninfo_;
  ::pg_conn* connection_ = nullptr;
  bool unusable_ = false;  // no connection could be made that reaches the server itself
  long session_timeout_ = -1;
  uint32_t citext_ = 0;  // the citext type's oid on the server, 0 without one
  uint64_t names_ = 0;
  KeptQueries<Prepared> prepared_;
};

}  // namespace qmz::suite
