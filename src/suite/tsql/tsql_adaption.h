// The T-SQL adaption step: turns a batch that the library composed for the production database
// into statements SQLite runs (Target::kSqlite) or PostgreSQL runs (Target::kPostgres), without
// the library ever sending anything else. For both:
//
//  - the batch is split into statements at top level, where `set`, `IF` or `select` begins one
//    (a `select` after UNION [ALL] or inside parentheses continues the statement);
//  - `set nocount on|off` is dropped;
//  - `IF object_id('tempdb..#t') IS NOT NULL DROP TABLE #t` becomes `DROP TABLE IF EXISTS "#t"`;
//  - `select ... into #t from ...` becomes `CREATE TEMP TABLE "#t" AS select ... from ...`;
//  - other `#t` names are quoted, `isNull(` becomes `ifnull(` (SQLite), comments are dropped;
//  - rows whose ORDER BY keys tie come out in one order on every database: the statement
//    breaks the ties itself (Ties::kBroken), or the answer's reader puts its rows in order
//    (Ties::kByReader, what the suite runs: the database then does not sort them).
// Quoted texts are copied untouched. Anything else the step cannot run (another `set` or `IF`,
// an unterminated text or comment) raises qmz::Error naming the statement.
//
// For PostgreSQL the same step also: writes `isNull(` as `coalesce(`; writes bracketed and #
// names in lower case, as the server folds unquoted names; turns `LIKE 'p'` with a [set] into
// `SIMILAR TO` with the same meaning, and doubles backslashes in other LIKE patterns; drops the
// trailing blanks of a text compared with = or <>, and a column's trailing blanks in a LIKE whose
// pattern they could change (`rtrim(c)::citext like '%l %'`); sorts NULL first as SQLite does and
// puts grouped rows in the order of their keys; sorts keys of the suite's case-insensitive texts
// by lower(key::text) (suite/tsql/folded_keys.h); and a temporary table that the batch makes, reads
// once in its answer and drops becomes a WITH query of that answer (`WITH "#t" AS (...) select
// ...`). Case-insensitive texts (citext) and `charindex` come with the server's schema.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "qmz/recordset.h"

namespace qmz::suite {

enum class Target { kSqlite, kPostgres };
// Rows whose ORDER BY keys tie, and grouped rows without an ORDER BY: put in one order on every
// database by the statements (kBroken), the answer's order left to its reader where it can be
// (kByReader, what the suite runs), or left as the database finds them (kAsFound, to measure
// what that order costs).
enum class Ties { kBroken, kByReader, kAsFound };

// A batch's statements and, when its reader is to put its answer in order, that order: the
// answer's columns to compare one after another (Recordset::OrderRecords). The reader gives
// the order of an ungrouped answer of every row (no TOP, no UNION) whose ORDER BY keys are all
// columns of the answer: by the keys, then the columns that tell the suite's rows apart, then
// every other column; the statement is sent without its ORDER BY. On PostgreSQL the reader
// also orders a grouped answer without ORDER BY, by its group keys (suite/tsql/statement_order.h).
// Empty: the statements order the answer themselves.
struct Adaption {
  std::vector<std::string> statements;
  std::vector<OrderField> order;
};
Adaption AdaptWithOrder(const std::string& batch, Target target = Target::kSqlite,
                        Ties ties = Ties::kByReader);
// The statements alone, their answers ordered by themselves by default.
std::vector<std::string> AdaptTsql(const std::string& batch, Target target = Target::kSqlite,
                                   Ties ties = Ties::kBroken);

// A quoted text compared with = or <> as PostgreSQL gets it: without its trailing blanks.
std::string ComparedText(const std::string& literal);

// Every name of a batch by its lower-case form, as the batch first spells it: PostgreSQL
// answers unquoted names in lower case, the production database as they were written.
std::map<std::string, std::string> NameSpellings(const std::string& batch);
// The names of the columns of a statement's first top-level select as the production database
// gives them (suite/tsql/tsql_names.h): the alias after AS, or the column without its table
// ("b.FitemID" gives "FitemID"); "" for an expression.
std::vector<std::string> SelectNames(const std::string& statement);

}  // namespace qmz::suite
