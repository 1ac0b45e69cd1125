// The name the production database gives a result column: the alias, else the column without its
// table ("b.FitemID" gives "FitemID"); a quoted name without its quotes ("\"Order\"" gives
// "Order"). One rule, read from the two forms the suite has a column in:
//  - ColumnName, from a select-list item's tokens, for PostgreSQL, which answers names folded to
//    lower case: "" for an expression without an alias ("sum(x)");
//  - WrittenColumnName, from the name SQLite gives a column (the alias, or the item as written
//    when short and full column names are off): an expression comes back as written
//    ("count(*)"). Limit: the text is not tokenized, so a single dot counts as a table prefix even
//    inside a quoted name or a number.
//
// Pure functions; safe on any thread; they do not fail.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "suite/tsql/tsql_tokens.h"

namespace qmz::suite {

std::string ColumnName(const std::vector<Token>& tokens, TokenRange item);
std::string WrittenColumnName(std::string_view written);

}  // namespace qmz::suite
