// FoldedKey: whether an ORDER BY key of a statement names a case-insensitive text column of the
// suite's inventory tables (suite/middle_tier/inventory_schema.h), which PostgreSQL keeps as
// citext. citext folds both texts at every comparison of a sort; the adaption sorts such a key by
// lower(key::text) instead, folded once per row and compared under the same collation, which
// orders the rows the same (citext compares lower() of both under the database's collation).
//
// A key counts only where its meaning is certain: `alias.column` of an inventory table the
// statement reads, or, in `select * from (subquery) alias`, a column of the subquery whose item
// is such an `alias.column` (`t2.FName as FStockName`, `t1.FBatchNo`). Anything else (an
// expression, a position, a temporary table's column, a name of the select list itself) does
// not, and keeps citext's own comparison.
//
// Pure functions; safe on any thread; they do not fail.
#pragma once

#include <cstddef>
#include <vector>

#include "suite/tsql/tsql_tokens.h"

namespace qmz::suite {

// The key is the tokens [first, last] of `tokens` (one statement).
bool FoldedKey(const std::vector<Token>& tokens, size_t first, size_t last);

}  // namespace qmz::suite
