// The settings the suite's statements rely on from a PostgreSQL server, whatever the server, the
// database, the role or a pooled session's last client left: the suite's tables and functions in
// public (a schema planted first in a role's search_path reaches no statement), grouped rows
// sorted, not hashed, sorts allowed and no JIT (a lookup's plan stays a lookup's), `= NULL` never
// true, ISO dates, doubles with every digit, the query timeout, and read committed (the suite's
// writes, an update, else an insert, else the update again, are made for it).
//
// A connection that reaches the server itself is given them once, for its session; a request
// through a pooler carries them, local to its transaction, or, for a lookup it executes by name,
// those its answer relies on. The server reads a request whole
// before it runs any of it, so a text with a backslash is read as meant only with
// standard_conforming_strings on: such a request ends its settings with a check that refuses it
// when it is off.
//
// Texts only; nothing here runs or fails.
#pragma once

#include <string>

namespace qmz::suite {

// The settings for a session, `timeout` in seconds: one select of `set_config(…, false)`.
std::string SessionSettings(long timeout);

// A session's statement timeout changed to `timeout` seconds: one select of `set_config`.
std::string SessionTimeout(long timeout);

// The settings in front of a request, local to its transaction (`set local` statements, which the
// server runs without a plan or a row to send), each ending in ";\n"; with the check when
// `guarded`.
std::string PostgresSettings(long timeout, bool guarded);

// What a lookup prepared through a pooler relies on of the settings that reach an answer once it
// is planned: its answer's floating numbers (their digits), dates or timestamps (their style); in
// its statement, a comparison with NULL (transform_null_equals applies when the server parses the
// statement again, after its tables changed) and sets of rows (DISTINCT, UNION, INTERSECT,
// EXCEPT), which come out in order only when the server sorts them rather than hash them.
struct Reliance {
  bool digits = true;
  bool dates = true;
  bool null_equals = true;
  bool sets = true;
};

// The settings in front of a lookup executed by the name it was prepared with, in the shape of
// PostgresSettings: read committed, the query timeout, public first (a statement is parsed again
// when the search_path differs from its preparing one), no JIT, and of the others only what
// `reliance` names. The planner's choices reach no other answer: its ORDER BY or its reader
// orders the rows.
std::string LookupSettings(long timeout, const Reliance& reliance, bool guarded);

// The results `settings` (PostgresSettings' or LookupSettings') make before the request's own: one
// a statement.
int ResultsOf(const std::string& settings);

// Whether `statement` may compare something with NULL by `=`, which transform_null_equals changes.
bool ComparesWithNull(const std::string& statement);

// Whether `statement` may make a set of rows: DISTINCT, UNION, INTERSECT or EXCEPT, in any case.
bool MakesSets(const std::string& statement);

// Whether `request` holds a backslash, and so needs the check.
bool Guarded(const std::string& request);

}  // namespace qmz::suite
