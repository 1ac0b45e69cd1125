// On PostgreSQL, a temporary table that a batch makes, reads once in its answer and drops becomes
// a WITH query of the answer: one statement instead of four, and no table made and dropped in
// the server's catalogue on every lookup.
//
//   DROP TABLE IF EXISTS "#t"; CREATE TEMP TABLE "#t" AS q; select ... from "#t" ...;
//   DROP TABLE IF EXISTS "#t"
//   -> WITH "#t" AS (q) select ... from "#t" ...
//
// Takes the statements the adaption wrote for PostgreSQL; any other use of the table (a second
// statement reading it, statements after it) leaves them as they are. A pure function.
#pragma once

#include <string>
#include <vector>

namespace qmz::suite {

std::vector<std::string> FoldTemporaryTable(std::vector<std::string> statements);

}  // namespace qmz::suite
