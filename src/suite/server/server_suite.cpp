#include "suite/server/server_suite.h"

#include <regex>

#include "platform/plain_number.h"
#include "qmz/error.h"
#include "suite/server/odbc_database.h"

namespace qmz::suite {

namespace {

// T-SQL's CHARINDEX under a case-insensitive collation: 1-based, 0 when absent or empty.
const char* const kFunctions[] = {
    "CREATE EXTENSION IF NOT EXISTS citext",
    "CREATE OR REPLACE FUNCTION charindex(needle text, haystack text, start integer) "
    "RETURNS integer LANGUAGE sql IMMUTABLE STRICT AS $$ SELECT CASE WHEN needle = '' THEN 0 "
    "ELSE coalesce(nullif(strpos(lower(substr(haystack, greatest(start, 1))), lower(needle)), 0) "
    "+ greatest(start, 1) - 1, 0) END $$",
    "CREATE OR REPLACE FUNCTION charindex(needle text, haystack text) RETURNS integer "
    "LANGUAGE sql IMMUTABLE STRICT AS $$ SELECT charindex(needle, haystack, 1) $$",
};

constexpr size_t kRowsPerInsert = 400;

struct Table {
  std::string name, create;
  std::vector<std::string> columns;
};

std::vector<Table> Tables(SqliteConnection& source) {
  std::vector<Table> tables;
  for (const auto& row : source.QueryTexts(
           "select name, sql from sqlite_master where type = 'table' and name not like 'sqlite%' "
           "order by rowid")) {
    Table table{*row[0], *row[1], {}};
    for (const auto& column :
         source.QueryTexts("select name from pragma_table_info(?)", {table.name})) {
      table.columns.push_back(*column[0]);
    }
    tables.push_back(std::move(table));
  }
  return tables;
}

// A value as a parameter's text: reals with every digit, so that the server holds the same
// double.
std::optional<std::string> ParamText(sqlite3_stmt* statement, int column) {
  switch (sqlite3_column_type(statement, column)) {
    case SQLITE_NULL:
      return std::nullopt;
    case SQLITE_FLOAT:
      return PlainG(sqlite3_column_double(statement, column), 17);
    default:
      return std::string(reinterpret_cast<const char*>(sqlite3_column_text(statement, column)),
                         static_cast<size_t>(sqlite3_column_bytes(statement, column)));
  }
}

std::string InsertSql(const Table& table, size_t rows) {
  std::string columns, one = "(";
  for (size_t c = 0; c < table.columns.size(); ++c) {
    columns += (c ? ", " : "") + table.columns[c];
    one += c ? ", ?" : "?";
  }
  one += ")";
  std::string sql = "insert into " + table.name + " (" + columns + ") values ";
  for (size_t r = 0; r < rows; ++r) sql += (r ? ", " : "") + one;
  return sql;
}

void CopyRows(SqliteConnection& source, const Table& table, Database& server) {
  Statement read(source, "select * from " + table.name + " order by rowid");
  const std::string full_insert = InsertSql(table, kRowsPerInsert);
  Params params;
  size_t rows = 0;
  auto flush = [&] {
    if (rows > 0)
      server.Execute(rows == kRowsPerInsert ? full_insert : InsertSql(table, rows), params);
    params.clear();
    rows = 0;
  };
  while (read.Step()) {
    for (int c = 0; c < static_cast<int>(table.columns.size()); ++c) {
      params.push_back(ParamText(read.handle(), c));
    }
    if (++rows == kRowsPerInsert) flush();
  }
  flush();
}

}  // namespace

std::string PostgresTable(const std::string& sqlite_create) {
  static const std::regex text(R"(\bTEXT\b([^,\n]*?)\s+COLLATE\s+(TSQL|NOCASE)\b)",
                               std::regex::icase);
  static const std::regex real(R"(\bREAL\b)", std::regex::icase);
  return std::regex_replace(std::regex_replace(sqlite_create, text, "citext$1"), real,
                            "double precision");
}

void CopySuiteToServer(SqliteConnection& source, Database& server) {
  auto* odbc = dynamic_cast<OdbcDatabase*>(&server);
  if (!odbc || odbc->DatabaseDialect() != OdbcDatabase::Dialect::kPostgres) {
    throw Error("A suite can be created on PostgreSQL; on another server, create it there");
  }
  const std::vector<Table> tables = Tables(source);
  // A large copy may take longer than one query may; and it is all or nothing: a failure half
  // way leaves the suite the server had.
  odbc->SetQueryTimeout(0);
  odbc->InTransaction([&] {
    for (auto t = tables.rbegin(); t != tables.rend(); ++t) {
      server.Execute("DROP TABLE IF EXISTS " + t->name + " CASCADE");
    }
    for (const char* function : kFunctions) server.Execute(function);
    for (const Table& table : tables) {
      server.Execute(PostgresTable(table.create));
      CopyRows(source, table, server);
    }
    for (const auto& row : source.QueryTexts("select sql from sqlite_master where type = "
                                             "'index' and sql is not null order by rowid")) {
      server.Execute(*row[0]);
    }
  });
  // The suite's own tables only: a database-wide ANALYZE by a role that is not a superuser
  // warns for every catalogue it may not analyse.
  for (const Table& table : tables) server.Execute("ANALYZE " + table.name);
}

}  // namespace qmz::suite
