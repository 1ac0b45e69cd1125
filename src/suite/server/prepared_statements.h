// PreparedStatements: the queries a PostgreSQL connection has prepared on the server (SQL
// PREPARE and EXECUTE), so that a lookup sent line after line is planned once per server
// session, not at every call; planning was most of the server's work of a lookup.
//
// A query (its values as parameters $1, $2, …, with their types) is prepared the second time it
// is sent on the connection, in the request that executes it, and executed by name after that.
// Its name is `qmz_` and 128 bits of the SHA-256 of its types and text, so a name means one
// query on every session and for every client: behind a transaction pooler, where a request may
// reach any of the pool's server sessions, a session that does not know the name yet
// (SQLSTATE 26000) is given the query in the request tried next, and one that has it already
// (42P05) executes it. A session whose tables were made anew since it prepared the query
// (0A000) prepares it again. At most 32 are kept (suite/server/kept_queries.h); the one used
// longest ago is deallocated on a session of its own only (a pooler's sessions serve other clients'
// calls of it too).
//
// Threading: belongs to its connection, used by one thread at a time. Never fails itself.
#pragma once

#include <optional>
#include <string>

#include "suite/server/kept_queries.h"

namespace qmz::suite {

class PreparedStatements {
 public:
  // `own_session`: false for a connection known to go through a pooler, whose requests may reach
  // any of its server sessions (a query given up is then never deallocated).
  explicit PreparedStatements(bool own_session = true) : own_session_(own_session) {}

  // How to send a query: `request` is the statements that run it, the query's answer the
  // result after `results_before` others; an empty request sends the query's own text.
  struct Use {
    std::string request;
    int results_before = 0;
    std::string key;   // the query as kept: "(types) as statement"
    std::string name;  // of the prepared statement
    bool prepares = false;
    std::string arguments;  // "(5, 'W1')", or "" for none
  };
  // The use of `statement` with parameters of `types` ("int, unknown"; "" for none) and
  // `arguments` (the values as the statement would write them, in the same order).
  Use For(const std::string& statement, const std::string& types, const std::string& arguments);
  // After `use` failed with SQLSTATE `state`: what to try next, an empty request for the query's
  // own text; nullopt when the failure stands. `first` is false for a request that was itself
  // tried next: its own failure sends the text.
  std::optional<Use> Failed(const Use& use, const std::string& state, bool first = true);
  // The query of `use` is never sent so again (its answer is not read the way the caller reads).
  void Refuse(const Use& use) { by_query_.Refuse(use.key); }

  size_t prepared() const { return by_query_.size(); }

 private:
  KeptQueries<std::string> by_query_;  // each prepared query's name, as far as the connection knows
  bool own_session_;                   // every request reached the one server session
};

// Whether a statement's failure with SQLSTATE `state` is the request's own, which it would meet
// however it was sent: a timeout or cancel, a lost connection, a transaction the server rolled
// back, a server out of resources.
bool FailsHoweverSent(const std::string& state);
// Whether a kept statement failed with SQLSTATE `state` because the session lost it (26000) or its
// tables were made anew since it was planned (0A000): it is prepared again later.
bool PreparesAgain(const std::string& state);

}  // namespace qmz::suite
