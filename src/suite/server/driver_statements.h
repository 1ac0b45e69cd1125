// DriverStatements: lookups prepared by the driver itself at the protocol level and kept on a
// direct PostgreSQL connection, so that a lookup sent line after line costs a bind and an
// execution of a statement the server parsed and planned once: no text to send, no EXECUTE to
// parse. psqlODBC sends such parameters untyped, as a literal would be.
//
// A query comes as suite/tsql/kept_adaption.h gives it: its values as $1, $2, … of `types`
// ("int, unknown"). The driver gets it with ? markers, a typed one cast as PREPARE would type it
// (`?::int`), an `unknown` one bare, so that it takes the type of what it is compared with; the
// values are bound as UTF-16 texts. Which queries are kept: suite/server/kept_queries.h (a
// statement given up is freed, and the driver closes it on the server). A query
// holding a ? or a backslash of its own is never kept: the driver would read them.
//
// Threading: belongs to its connection, used by one thread at a time, outside a list's read (a
// kept statement must not outlive a read's stop hook). Errors: qmz::Error with the driver's
// diagnostics when a statement cannot be made or prepared.
#pragma once

#include "suite/server/odbc_api.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "qmz/variant.h"
#include "suite/server/kept_queries.h"
#include "suite/server/odbc_result.h"

namespace qmz::suite {

// A query the driver keeps prepared. Its answer's columns are learnt at its first run and bound
// to arrays once, so that a run after that reads its rows with one fetch, never asking the
// driver about the columns again.
class DriverStatement {
 public:
  explicit DriverStatement(SQLHDBC dbc) : stmt_(dbc, 0) {}
  const OdbcStatement& stmt() const { return stmt_; }
  // The answer of the run that just ended, its columns named as `spelling` gives them.
  RecordsetPtr ReadAnswer(const Spelling* spelling);

 private:
  friend class DriverStatements;
  OdbcStatement stmt_;
  std::vector<size_t> order_;  // the value each marker takes, in the markers' order
  std::vector<std::u16string> texts_;
  std::vector<SQLLEN> lengths_;
  std::optional<ResultColumns> columns_;
  std::unique_ptr<BoundRows> bound_;
};

class DriverStatements {
 public:
  // The statement kept for `statement` with parameters of `types`, its markers bound to `values`
  // (in the order of $1, $2, …) and ready to Execute(); null the first time a query is asked for,
  // and for one that is never kept or was refused.
  DriverStatement* Bound(SQLHDBC dbc, const std::string& statement, const std::string& types,
                         const std::vector<Variant>& values);
  // The query failed as a kept statement: freed, and never kept again on this connection.
  void Refuse(const std::string& statement, const std::string& types);
  // The kept statement no longer serves (the server lost it, or its tables were made anew):
  // freed, and kept again when the query comes twice more.
  void Forget(const std::string& statement, const std::string& types);

  size_t kept() const { return kept_.size(); }

 private:
  DriverStatement* Made(SQLHDBC dbc, const std::string& key, const std::string& statement,
                        const std::string& types);

  KeptQueries<std::unique_ptr<DriverStatement>> kept_;
};

// `statement` ($1, $2, … of `types`) written with the driver's ? markers, and the parameter
// each marker stands for (0 for $1); nullopt for a query that cannot be so written (a ? or a
// backslash of its own, a $ that names no parameter of `types`).
struct MarkedStatement {
  std::string text;
  std::vector<size_t> order;
};
std::optional<MarkedStatement> WithMarkers(const std::string& statement, const std::string& types);

}  // namespace qmz::suite
