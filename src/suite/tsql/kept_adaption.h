// KeptAdaption: the statements a batch becomes (with the order its answer is read in) on a database
// (AdaptTsql) and, for PostgreSQL, the names its answers are spelt by (NameSpellings, SelectNames),
// kept per thread for batches sent again. A batch sent again is found by its text. A host checking
// order lines sends one lookup for item after item: the texts and numbers a batch compares with =
// or <> are taken out and the batch is looked up by what remains, so batches that differ only there
// share one adaption, and the values are put back into its statements (a text without its trailing
// blanks on PostgreSQL, as the adaption writes it). Adapting was a large part of a lookup's own
// work. A shape of one statement also gives that statement with its values as parameters
// (Parameterized).
//
// Threading: each thread keeps its own (no locks); the last 64 batches and 64 shapes up to
// 8 KiB each; longer batches, and the shapes of batches holding the byte 0x01, are not kept. The
// answer is shared and stays valid while held. May fail as AdaptTsql does, with its message;
// nothing is kept then.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "qmz/variant.h"
#include "suite/tsql/tsql_adaption.h"

namespace qmz::suite {

// PostgreSQL folds unquoted names: every name of the batch by its lower-case form, and each
// statement's select names, in the order of the statements.
struct AnswerNames {
  std::map<std::string, std::string> batch_names;
  std::vector<std::vector<std::string>> select_names;
};

// A batch of one statement, kept by its shape, as that statement with the values it compares as
// parameters, so that a connection prepares it once for every batch of the shape:
//  - PostgreSQL: $1, $2, …, kept prepared on the server session
//    (suite/server/prepared_statements.h, suite/server/driver_statements.h); `types` and
//    `arguments` as PREPARE and EXECUTE write them, `values` as texts (a text unquoted, digits as
//    written), for the driver to send apart from the statement;
//  - SQLite: ?1, ?2, …, kept prepared by the connection; `values` bound in order: a text
//    unquoted, digits an integer (a real beyond 64 bits, as SQLite reads such a literal).
// Not for a statement that has a parameter sign of its own ($ on PostgreSQL; ? : @ $ on SQLite),
// nor for values holding a NUL.
struct Parameterized {
  std::shared_ptr<const std::string> statement;  // the shape's; null for none
  std::string types;                             // "int, unknown"
  std::string arguments;                         // "5, 'B000007'"
  std::vector<Variant> values;                   // in order, as above
};

struct AdaptedTsql {
  std::vector<std::string> statements;
  std::vector<OrderField> order;             // the answer's, when its reader gives it (Adaption)
  std::shared_ptr<const AnswerNames> names;  // PostgreSQL only, else null
  Parameterized parameterized;
};

std::shared_ptr<const AdaptedTsql> KeptAdaption(const std::string& tsql, Target target);

// Puts a batch's answer in the order its reader is to give it (AdaptedTsql::order). The
// thread's running read (platform/stoppable_read.h), if any, then shows a sort, and its stop
// ends the sort with ReadStopped, the rows left as read. Nothing to do when the statements
// ordered the answer.
void PutInOrder(const AdaptedTsql& adapted, Recordset& answer);

}  // namespace qmz::suite
