// The order of a select's rows as the adaption writes it (suite/tsql/tsql_adaption.h): ties broken
// by the statement, the order left to the answer's reader, and PostgreSQL's spelling of an
// ORDER BY. Works on the tokens of one statement (suite/tsql/tsql_tokens.h); pure functions, any
// thread. They rewrite only what they recognise and leave other statements as they are.
#pragma once

#include <optional>
#include <vector>

#include "qmz/recordset.h"
#include "suite/tsql/tsql_tokens.h"

namespace qmz::suite {

// The statement with the fewest further ORDER BY keys (answer positions) that tell its rows
// apart: the suite's identifying columns it answers, or every column; none where the keys
// already do (a grouped select ordered by all its group keys).
std::vector<Token> TotalOrder(std::vector<Token> tokens);

// Whether the statement selects into a table (and so answers nothing).
bool SelectsInto(const std::vector<Token>& tokens);

// The order a select's reader can give its rows instead of the database: its ORDER BY keys,
// then the columns that tell the suite's rows apart, then every other column (compared only
// where all before tie). Only for an ungrouped select of all its rows (no TOP, no UNION) whose
// keys are all columns of its answer, by position, by name or as written; with `groups`, also
// for a grouped one without ORDER BY, by its group keys (a server that does not hand grouped
// rows out in key order). Nullopt otherwise.
std::optional<std::vector<OrderField>> ReaderOrder(const std::vector<Token>& tokens, bool groups);
// The statement without its ORDER BY, if it has one.
std::vector<Token> WithoutOrder(std::vector<Token> tokens);

// The ORDER BY as PostgreSQL is to sort it: NULL first as SQLite and the production server
// sort it, keys of the suite's case-insensitive texts folded once per row where the rows are
// not grouped (suite/tsql/folded_keys.h); with `order_groups`, grouped rows without an ORDER BY in
// the order of their keys as written.
std::vector<Token> PostgresOrder(std::vector<Token> tokens, bool order_groups);

}  // namespace qmz::suite
