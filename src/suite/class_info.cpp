#include "suite/class_info.h"

#include "suite/sqlite_connection.h"
#include "suite/tsql_adaption.h"

namespace qmz::suite {

namespace {

std::string& DatabasePath() {
  static std::string path;
  return path;
}

Variant ColumnValue(sqlite3_stmt* statement, int column) {
  switch (sqlite3_column_type(statement, column)) {
    case SQLITE_INTEGER:
      return Variant(static_cast<long long>(sqlite3_column_int64(statement, column)));
    case SQLITE_FLOAT:
      return Variant(sqlite3_column_double(statement, column));
    case SQLITE_NULL:
      return Variant::Null();
    default: {
      const unsigned char* text = sqlite3_column_text(statement, column);
      return Variant(std::string(text ? reinterpret_cast<const char*>(text) : ""));
    }
  }
}

RecordsetPtr ReadAll(Statement& statement) {
  sqlite3_stmt* handle = statement.handle();
  int columns = sqlite3_column_count(handle);
  std::vector<std::string> names;
  for (int c = 0; c < columns; ++c) names.emplace_back(sqlite3_column_name(handle, c));
  auto records = std::make_shared<Recordset>(std::move(names));
  while (statement.Step()) {
    std::vector<Variant> values;
    values.reserve(static_cast<size_t>(columns));
    for (int c = 0; c < columns; ++c) values.push_back(ColumnValue(handle, c));
    records->AddRecord(std::move(values));
  }
  return records;
}

}  // namespace

void SetSuiteDatabase(const std::string& path) {
  DatabasePath() = path;
}
const std::string& SuiteDatabase() {
  return DatabasePath();
}

RecordsetPtr SqliteClassInfo::GetData(const std::string&, const std::string& sql) {
  if (DatabasePath().empty()) throw Error("No suite database is open");
  SqliteConnection connection(DatabasePath(), false);
  RecordsetPtr result;
  for (const std::string& statement_text : AdaptTsql(sql)) {
    Statement statement(connection, statement_text);
    if (!result && sqlite3_column_count(statement.handle()) > 0) {
      result = ReadAll(statement);
    } else {
      while (statement.Step()) {
      }
    }
  }
  if (!result) throw Error("The SQL batch returned no rows");
  result->SetSource(sql);
  result->ReleaseConnection();
  return result;
}

}  // namespace qmz::suite
