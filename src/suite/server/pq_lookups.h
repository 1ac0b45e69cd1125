// PqLookups: the lookups of a desk's PostgreSQL connection, read through libpq on a second
// connection of the desk's own. Through the ODBC driver the same lookup costs several times the
// client's own processor time.
//
// The connection is made at the first lookup sent a second time, from the driver's connection
// string (host_list.h: LibpqConninfo). How a lookup is sent depends on what the driver's
// connection reaches:
//  - the server itself: the libpq connection is given the suite's settings for its session
//    (postgres_settings.h) and used only when it too reaches the server itself. A query (its
//    values as $1, $2, … of `types`, typed as PREPARE would type them) is prepared at the protocol
//    level, so a lookup sent again costs one Bind and Execute in one round trip;
//  - a pooler: each request runs the query as an SQL-prepared statement (prepared_statements.h),
//    the same text the driver would send, so that any of the pool's server sessions answers it
//    alike. A request that prepares it carries every setting; one that executes it by name, once
//    an answer has shown its columns, only those its answer relies on (postgres_settings.h:
//    LookupSettings).
// Either way a query is kept as suite/server/kept_queries.h says, and its answer's columns must
// all be of types read here byte for byte as the driver hands them over (integers, floating and
// numeric numbers, texts, booleans as "1" and "0", dates and timestamps without zone), else the
// query is left to the driver. A query that fails for its own reasons (a type its values cannot
// take there) is left to the driver too; the server's loss of the statement, or tables made
// anew, have it prepared again.
//
// A connect that fails, or whose session cannot be set up (a server or pooler at its connection
// limit, a pooler with no server to give), is not tried again for 30 seconds; meanwhile the driver
// reads every lookup. A lost connection hands the lookup to the driver too. Waits at most `limit`
// for an answer or a connection's set-up (0: no limit), then drops its connection. Errors:
// qmz::Error for a failure that any way of sending would meet: the server's message for a timeout
// or a cancel, and a connection silent past `limit`; nothing else throws. Belongs to its ODBC
// connection, used by one thread at a time.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "qmz/recordset.h"
#include "qmz/variant.h"
#include "suite/server/kept_queries.h"
#include "suite/server/odbc_result.h"
#include "suite/server/postgres_settings.h"
#include "suite/server/prepared_statements.h"

struct pg_conn;    // libpq's PGconn
struct pg_result;  // libpq's PGresult

namespace qmz::suite {

class PqLookups {
 public:
  // `conninfo` for libpq ("" for none: nothing is read here then); `direct`: whether the driver's
  // connection reaches the server itself.
  PqLookups(std::string conninfo, bool direct);
  ~PqLookups();
  PqLookups(const PqLookups&) = delete;
  PqLookups& operator=(const PqLookups&) = delete;

  // The answer of `statement` with parameters of `types` ("int, unknown") given `values` (written
  // as the statement would write them: `arguments`), its columns named as `spelling` gives them;
  // null when it is not read here (see above). `timeout`: the query timeout in seconds; `limit`:
  // how long its answer is waited for.
  RecordsetPtr Read(const std::string& statement, const std::string& types,
                    const std::vector<Variant>& values, const std::string& arguments,
                    const Spelling* spelling, long timeout, std::chrono::milliseconds limit);

  // Whether the connection is open (for tests and the pool's count).
  bool open() const { return connection_ != nullptr; }

 private:
  struct Prepared {
    std::string name;
    std::vector<int> kinds;  // the columns', as ColumnKind, or -1 for a boolean
  };
  bool Connect(long timeout, std::chrono::steady_clock::time_point deadline);
  // Drops the connection, and connects again no sooner than 30 seconds from now.
  void PauseConnecting();
  // What `sql` answers last (the caller's to free), null when it could not be sent; each result
  // waited for until `deadline`.
  ::pg_result* RunToEnd(const std::string& sql, std::chrono::steady_clock::time_point deadline);
  // Read, on a direct connection: the statement prepared at the protocol level.
  // `found`: the statement kept for `key`, or null.
  RecordsetPtr ReadPrepared(const std::string& key, Prepared* found, const std::string& statement,
                            const std::string& types, const std::vector<Variant>& values,
                            const Spelling* spelling, long timeout,
                            std::chrono::steady_clock::time_point deadline);
  // Read, through a pooler: `use`'s request as the driver would send it, the settings in front.
  RecordsetPtr ReadSent(PreparedStatements::Use use, const Spelling* spelling, long timeout,
                        std::chrono::steady_clock::time_point deadline);
  void Drop();
  // Frees a prepared statement on the server (a failure is left for the next request to meet),
  // waited for until `deadline`.
  void Deallocate(const std::string& name, std::chrono::steady_clock::time_point deadline);
  // The statement prepared for `key`, or null when the query is left to the driver.
  Prepared* Prepare(const std::string& key, const std::string& statement, const std::string& types,
                    std::chrono::steady_clock::time_point deadline);
  // Waits for the next result of what was sent (or its end); Error when it does not come by
  // `deadline`.
  void AwaitAnswer(std::chrono::steady_clock::time_point deadline);
  // The next result of what was sent, null after the last, waited for until `deadline`.
  ::pg_result* NextResult(std::chrono::steady_clock::time_point deadline);
  // The first result of what was sent (the caller's to free), the rest read away, each waited for
  // until `deadline`.
  ::pg_result* TakeResult(std::chrono::steady_clock::time_point deadline);

  std::string conninfo_;
  bool direct_;
  ::pg_conn* connection_ = nullptr;
  bool unusable_ = false;  // a connection was made but could not be set up as the lookups need
  std::chrono::steady_clock::time_point connect_again_;  // no connect tried before then
  long session_timeout_ = -1;
  uint32_t citext_ = 0;  // the citext type's oid on the server, 0 without one
  uint64_t names_ = 0;
  KeptQueries<Prepared> prepared_;  // a direct connection's statements
  PreparedStatements sent_{false};  // through a pooler: the server's statements, by name
  // Through a pooler: what each query's answer relies on of the settings, by the name of its
  // prepared statement (the SHA-256 of the query as kept).
  std::unordered_map<std::string, Reliance> relied_;
  static constexpr size_t kMostRelied = 256;
};

}  // namespace qmz::suite
