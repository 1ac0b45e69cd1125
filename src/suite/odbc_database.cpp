#include "suite/odbc_database.h"

#include <sqlext.h>
#include <sqlucode.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>

#include "platform/text.h"
#include "qmz/error.h"
#include "suite/odbc_connection.h"
#include "suite/tsql_adaption.h"
#include "suite/wide_text.h"

namespace qmz::suite {

namespace {

SQLWCHAR* Wide(std::u16string& text) {
  return reinterpret_cast<SQLWCHAR*>(text.data());
}

// One statement handle with the connection's query timeout.
class OdbcStatement : public OdbcHandle {
 public:
  OdbcStatement(SQLHDBC dbc, long timeout) : OdbcHandle(SQL_HANDLE_STMT, dbc) {
    if (timeout > 0) {
      Check(SQLSetStmtAttr(get(), SQL_ATTR_QUERY_TIMEOUT,
                           reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(timeout)), 0));
    }
  }
};

// A column's text, read in pieces of any length; nullopt for NULL.
std::optional<std::string> ColumnText(const OdbcStatement& stmt, SQLUSMALLINT column) {
  Utf16Reader text;
  char16_t buffer[2048];
  for (;;) {
    SQLLEN indicator = 0;
    SQLRETURN rc = SQLGetData(stmt.get(), column, SQL_C_WCHAR, buffer, sizeof buffer, &indicator);
    if (rc == SQL_NO_DATA) break;
    stmt.Check(rc);
    if (indicator == SQL_NULL_DATA) return std::nullopt;
    const size_t capacity = std::size(buffer) - 1;
    const size_t units =
        indicator == SQL_NO_TOTAL ||
                indicator / static_cast<SQLLEN>(sizeof(char16_t)) > static_cast<SQLLEN>(capacity)
            ? capacity
            : static_cast<size_t>(indicator) / sizeof(char16_t);
    text.Append(buffer, units);
    if (rc == SQL_SUCCESS) break;
  }
  return text.Finish();
}

// The parameters as UTF-16 texts; the buffers live until the statement has run.
struct BoundTexts {
  std::vector<std::u16string> texts;
  std::vector<SQLLEN> lengths;
};

void BindTexts(const OdbcStatement& stmt, const Params& params, BoundTexts& bound) {
  bound.texts.resize(params.size());
  bound.lengths.resize(params.size());
  for (size_t i = 0; i < params.size(); ++i) {
    std::u16string& text = bound.texts[i];
    if (params[i]) text = Utf8ToUtf16(*params[i]);
    const auto bytes = static_cast<SQLLEN>(text.size() * sizeof(char16_t));
    bound.lengths[i] = params[i] ? bytes : SQL_NULL_DATA;
    stmt.Check(SQLBindParameter(stmt.get(), static_cast<SQLUSMALLINT>(i + 1), SQL_PARAM_INPUT,
                                SQL_C_WCHAR, SQL_WVARCHAR, std::max<SQLULEN>(1, text.size()), 0,
                                Wide(text), bytes, &bound.lengths[i]));
  }
}

void Run(const OdbcStatement& stmt, const std::string& sql, const Params& params) {
  std::u16string text = Utf8ToUtf16(sql);
  const auto length = static_cast<SQLINTEGER>(text.size());
  if (params.empty()) {
    SQLRETURN rc = SQLExecDirectW(stmt.get(), Wide(text), length);
    if (rc != SQL_NO_DATA) stmt.Check(rc);
    return;
  }
  BoundTexts bound;
  stmt.Check(SQLPrepareW(stmt.get(), Wide(text), length));
  BindTexts(stmt, params, bound);
  SQLRETURN rc = SQLExecute(stmt.get());
  if (rc != SQL_NO_DATA) stmt.Check(rc);
}

SQLSMALLINT ColumnCount(const OdbcStatement& stmt) {
  SQLSMALLINT columns = 0;
  stmt.Check(SQLNumResultCols(stmt.get(), &columns));
  return columns;
}

enum class Kind { kInteger, kDouble, kText };

Kind KindOf(SQLSMALLINT type) {
  switch (type) {
    case SQL_BIT:
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIGINT:
      return Kind::kInteger;
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_NUMERIC:
    case SQL_DECIMAL:
      return Kind::kDouble;
    default:
      return Kind::kText;
  }
}

// A server that folds names to lower case answers them as the select list spells them, else
// as the batch first spells them.
struct Spelling {
  std::vector<std::string> select_names;
  std::map<std::string, std::string> batch_names;

  std::string operator()(size_t column, const std::string& given) const {
    if (column < select_names.size() && ToLowerAscii(select_names[column]) == given) {
      return select_names[column];
    }
    auto spelled = batch_names.find(given);
    return spelled != batch_names.end() ? spelled->second : given;
  }
};

// The current result set as a Recordset: names as `spelling` gives them (as the server gives
// them without one), numbers as numbers.
RecordsetPtr ReadResult(const OdbcStatement& stmt, SQLSMALLINT columns, const Spelling* spelling) {
  std::vector<std::string> names;
  std::vector<Kind> kinds;
  for (SQLUSMALLINT c = 1; c <= columns; ++c) {
    // What the result itself says of the column: its nullability or its concise type would
    // have the driver query the catalogue for its base table (SQL_DESC_TYPE is the concise
    // type for every kind but dates and intervals, which are read as texts anyway).
    char16_t name[256];
    SQLSMALLINT name_bytes = 0;
    SQLLEN type = 0;
    stmt.Check(SQLColAttributeW(stmt.get(), c, SQL_DESC_NAME, name,
                                static_cast<SQLSMALLINT>(sizeof name - sizeof name[0]), &name_bytes,
                                nullptr));
    stmt.Check(SQLColAttributeW(stmt.get(), c, SQL_DESC_TYPE, nullptr, 0, nullptr, &type));
    const size_t units = std::min<size_t>(
        static_cast<size_t>(std::max<SQLSMALLINT>(name_bytes, 0)) / sizeof(char16_t),
        std::size(name) - 1);
    const std::string given = Utf16ToUtf8({name, units});
    names.push_back(spelling ? (*spelling)(c - 1u, given) : given);
    kinds.push_back(KindOf(static_cast<SQLSMALLINT>(type)));
  }
  auto records = std::make_shared<Recordset>(std::move(names));
  for (SQLRETURN rc; (rc = SQLFetch(stmt.get())) != SQL_NO_DATA;) {
    stmt.Check(rc);
    for (SQLUSMALLINT c = 1; c <= columns; ++c) {
      SQLLEN indicator = 0;
      switch (kinds[c - 1]) {
        case Kind::kInteger: {
          SQLBIGINT value = 0;
          stmt.Check(SQLGetData(stmt.get(), c, SQL_C_SBIGINT, &value, 0, &indicator));
          indicator == SQL_NULL_DATA ? records->AppendNull() : records->AppendInteger(value);
          break;
        }
        case Kind::kDouble: {
          double value = 0;
          stmt.Check(SQLGetData(stmt.get(), c, SQL_C_DOUBLE, &value, 0, &indicator));
          indicator == SQL_NULL_DATA ? records->AppendNull() : records->AppendDouble(value);
          break;
        }
        case Kind::kText: {
          auto text = ColumnText(stmt, c);
          text ? records->AppendText(*text) : records->AppendNull();
          break;
        }
      }
    }
    records->EndRecord();
  }
  return records;
}

}  // namespace

long QueryTimeoutSetting() {
  const char* text = std::getenv("QMZ_QUERY_TIMEOUT");
  if (text == nullptr || *text == '\0') return 60;
  char* end = nullptr;
  const long seconds = std::strtol(text, &end, 10);
  if (*end != '\0' || seconds < 0) {
    throw Error(std::string("QMZ_QUERY_TIMEOUT must be a number of seconds (0: no limit): ") +
                text);
  }
  return seconds;
}

OdbcDatabase::OdbcDatabase(const std::string& connection_string)
    : connection_string_(connection_string), query_timeout_(QueryTimeoutSetting()) {
  connection_ = TakeConnection(connection_string_);
}

OdbcDatabase::~OdbcDatabase() {
  GiveBackConnection(connection_string_, std::move(connection_));
}

template <typename Work>
auto OdbcDatabase::Guarded(Work&& work) {
  try {
    auto result = work();
    used_ = true;
    return result;
  } catch (const Error&) {
    connection_->broken = true;
    if (used_ || (!connection_->Dead() && connection_->Ping())) throw;
  }
  // The connection from the pool died while it waited (the server restarted): a new one, and
  // the statement once more.
  connection_ = TakeNewConnection(connection_string_);
  used_ = true;
  try {
    return work();
  } catch (const Error&) {
    connection_->broken = true;
    throw;
  }
}

TextRows OdbcDatabase::Query(const std::string& sql, const Params& params) {
  return Guarded([&] { return QueryOnce(sql, params); });
}

TextRows OdbcDatabase::QueryOnce(const std::string& sql, const Params& params) {
  OdbcStatement stmt(connection_->dbc(), query_timeout_);
  Run(stmt, sql, params);
  TextRows rows;
  const SQLSMALLINT columns = ColumnCount(stmt);
  if (columns == 0) return rows;
  for (SQLRETURN rc; (rc = SQLFetch(stmt.get())) != SQL_NO_DATA;) {
    stmt.Check(rc);
    auto& row = rows.emplace_back();
    for (SQLUSMALLINT c = 1; c <= static_cast<SQLUSMALLINT>(columns); ++c) {
      row.push_back(ColumnText(stmt, c));
    }
  }
  return rows;
}

int64_t OdbcDatabase::Execute(const std::string& sql, const Params& params) {
  return Guarded([&] {
    OdbcStatement stmt(connection_->dbc(), query_timeout_);
    Run(stmt, sql, params);
    SQLLEN changed = 0;
    stmt.Check(SQLRowCount(stmt.get(), &changed));
    return static_cast<int64_t>(changed);
  });
}

OdbcDatabase::Dialect OdbcDatabase::DatabaseDialect() const {
  return connection_->dialect();
}

std::vector<std::string> OdbcDatabase::Statements(const std::string& tsql) const {
  switch (DatabaseDialect()) {
    case Dialect::kSqlServer:
      return {tsql};
    case Dialect::kSqlite:
      return AdaptTsql(tsql);
    case Dialect::kPostgres:
      break;
  }
  return AdaptTsql(tsql, Target::kPostgres);
}

RecordsetPtr OdbcDatabase::RunBatch(const std::string& tsql) {
  return Guarded([&] { return RunBatchOnce(tsql); });
}

RecordsetPtr OdbcDatabase::RunBatchOnce(const std::string& tsql) {
  RecordsetPtr result;
  const bool folds_names = DatabaseDialect() == Dialect::kPostgres;
  Spelling spelling;
  if (folds_names) spelling.batch_names = NameSpellings(tsql);
  for (const std::string& statement : Statements(tsql)) {
    OdbcStatement stmt(connection_->dbc(), query_timeout_);
    Run(stmt, statement, {});
    if (folds_names) spelling.select_names = SelectNames(statement);
    // A batch answers one result after another; the first with columns is the answer. A
    // statement of the batch that fails after the first reports its error too.
    SQLRETURN more = SQL_SUCCESS;
    for (; OdbcOk(more); more = SQLMoreResults(stmt.get())) {
      const SQLSMALLINT columns = ColumnCount(stmt);
      if (!result && columns > 0) {
        result = ReadResult(stmt, columns, folds_names ? &spelling : nullptr);
      }
    }
    if (more != SQL_NO_DATA) stmt.Check(more);
  }
  if (!result) throw Error("The SQL batch returned no rows");
  return result;
}

void OdbcDatabase::Begin() {
  used_ = true;
  connection_->handle().Check(SQLSetConnectAttr(connection_->dbc(), SQL_ATTR_AUTOCOMMIT,
                                                reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF),
                                                0));
}

void OdbcDatabase::End(bool commit) {
  const SQLRETURN rc =
      SQLEndTran(SQL_HANDLE_DBC, connection_->dbc(), commit ? SQL_COMMIT : SQL_ROLLBACK);
  const SQLRETURN on = SQLSetConnectAttr(connection_->dbc(), SQL_ATTR_AUTOCOMMIT,
                                         reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0);
  if (!commit || !OdbcOk(rc) || !OdbcOk(on)) connection_->broken = true;
  if (commit) connection_->handle().Check(rc);
}

}  // namespace qmz::suite
