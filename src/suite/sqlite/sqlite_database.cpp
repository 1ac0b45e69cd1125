#include "suite/sqlite/sqlite_database.h"

#include <vector>

#include "platform/stoppable_read.h"
#include "qmz/error.h"
#include "suite/sqlite/sqlite_pool.h"
#include "suite/tsql/kept_adaption.h"
#include "suite/tsql/tsql_names.h"

namespace qmz::suite {

namespace {

// Appends a result value to the record being built, as the production middle tier types it.
void AppendColumn(Recordset& records, sqlite3_stmt* statement, int column) {
  switch (sqlite3_column_type(statement, column)) {
    case SQLITE_INTEGER:
      return records.AppendInteger(sqlite3_column_int64(statement, column));
    case SQLITE_FLOAT:
      return records.AppendDouble(sqlite3_column_double(statement, column));
    case SQLITE_NULL:
      return records.AppendNull();
    default: {
      const unsigned char* text = sqlite3_column_text(statement, column);
      int bytes = sqlite3_column_bytes(statement, column);
      return records.AppendText(std::string_view(reinterpret_cast<const char*>(text),
                                                 text ? static_cast<size_t>(bytes) : 0));
    }
  }
}

void Bind(Statement& statement, const std::vector<Variant>& values) {
  for (size_t i = 0; i < values.size(); ++i) {
    const int index = static_cast<int>(i + 1);
    const Variant& value = values[i];
    switch (value.type()) {
      case Variant::Type::Integer:
        statement.Bind(index, value.ToInt64());
        break;
      case Variant::Type::Double:
        statement.Bind(index, value.ToDouble());
        break;
      default:
        statement.Bind(index, value.ToText());
    }
  }
}

// Rows between two looks at a stop asked and two counts of the rows read.
constexpr int64_t kRowsPerLook = 1024;

RecordsetPtr ReadAll(Statement& statement, StoppableRead* read) {
  sqlite3_stmt* handle = statement.handle();
  int columns = sqlite3_column_count(handle);
  std::vector<std::string> names;
  // Named as the production database names them (suite/tsql/tsql_names.h).
  for (int c = 0; c < columns; ++c) {
    const char* written = sqlite3_column_name(handle, c);
    names.push_back(WrittenColumnName(written ? written : ""));
  }
  auto records = std::make_shared<Recordset>(std::move(names));
  for (int64_t row = 1; statement.Step(); ++row) {
    for (int c = 0; c < columns; ++c) AppendColumn(*records, handle, c);
    records->EndRecord();
    if (read && row % kRowsPerLook == 0) {
      read->CountRows(kRowsPerLook);
      ThrowIfStopped(read);
    }
  }
  return records;
}

}  // namespace

SqliteDatabase::SqliteDatabase(const std::string& path)
    : path_(path), connection_(TakeSqliteConnection(path)) {}

SqliteDatabase::~SqliteDatabase() {
  GiveBackSqliteConnection(path_, std::move(connection_), failed_);
}

template <typename Work>
auto SqliteDatabase::Noted(Work&& work) {
  try {
    return work();
  } catch (...) {
    failed_ = true;
    throw;
  }
}

TextRows SqliteDatabase::Query(const std::string& sql, const Params& params) {
  return Noted([&] { return connection_->QueryTexts(sql, params); });
}

int64_t SqliteDatabase::Execute(const std::string& sql, const Params& params) {
  return Noted([&] {
    connection_->QueryTexts(sql, params);
    return static_cast<int64_t>(sqlite3_changes64(connection_->handle()));
  });
}

RecordsetPtr SqliteDatabase::RunTsql(const std::string& tsql, bool) {
  const auto adapted = KeptAdaption(tsql, Target::kSqlite);
  RecordsetPtr result = Noted([&] {
    // A user who stops the list's read interrupts the statement that runs.
    StoppableRead* read = CurrentRead();
    sqlite3* db = connection_->handle();
    StopHook interrupt(read, [db] { sqlite3_interrupt(db); });
    RecordsetPtr answer;
    // A batch of one statement kept by its shape: that statement prepared once, its values bound.
    const Parameterized& parameterized = adapted->parameterized;
    for (const std::string& statement_text : adapted->statements) {
      ThrowIfStopped(read);
      Statement statement(*connection_,
                          parameterized.statement ? *parameterized.statement : statement_text);
      if (parameterized.statement) Bind(statement, parameterized.values);
      if (!answer && sqlite3_column_count(statement.handle()) > 0) {
        answer = ReadAll(statement, read);
      } else {
        while (statement.Step()) {
        }
      }
    }
    if (!answer) throw Error("The SQL batch returned no rows");
    return answer;
  });
  // A stop while the rows sort leaves the connection as clean as the statements left it.
  PutInOrder(*adapted, *result);
  return result;
}

}  // namespace qmz::suite
