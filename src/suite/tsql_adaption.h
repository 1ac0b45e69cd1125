// The T-SQL adaption step: turns a batch that the library composed for the production database
// into statements SQLite runs, without the library ever sending anything else.
//
//  - the batch is split into statements at top level, where `set`, `IF` or `select` begins one
//    (a `select` after UNION [ALL] or inside parentheses continues the statement);
//  - `set nocount on|off` is dropped;
//  - `IF object_id('tempdb..#t') IS NOT NULL DROP TABLE #t` becomes `DROP TABLE IF EXISTS "#t"`;
//  - `select ... into #t from ...` becomes `CREATE TEMP TABLE "#t" AS select ... from ...`;
//  - other `#t` names are quoted, `isNull(` becomes `ifnull(`, comments are dropped.
// Quoted texts are copied untouched. Anything else the step cannot run (another `set` or `IF`,
// an unterminated text or comment) raises qmz::Error naming the statement.
#pragma once

#include <string>
#include <vector>

namespace qmz::suite {

std::vector<std::string> AdaptTsql(const std::string& batch);

}  // namespace qmz::suite
