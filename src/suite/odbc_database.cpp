#include "suite/odbc_database.h"

#include <sqlext.h>
#include <sqlucode.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>

#include "platform/text.h"
#include "qmz/error.h"
#include "suite/tsql_adaption.h"
#include "suite/wide_text.h"

namespace qmz::suite {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "unixODBC's SQLWCHAR is UTF-16");

namespace {

bool Ok(SQLRETURN rc) {
  return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}

SQLWCHAR* Wide(std::u16string& text) {
  return reinterpret_cast<SQLWCHAR*>(text.data());
}

// A driver's message on one line: line breaks and the blanks around them become one blank.
std::string OneLine(const std::string& text) {
  std::string out;
  bool pending_blank = false;
  for (char c : text) {
    const bool line_blank = c == '\n' || c == '\r' || c == '\t';
    if (line_blank || (c == ' ' && pending_blank)) {
      pending_blank = true;
      continue;
    }
    if (pending_blank && !out.empty() && out.back() != ' ') out += ' ';
    pending_blank = false;
    out += c;
  }
  return out;
}

std::string Diagnostics(SQLSMALLINT type, SQLHANDLE handle) {
  std::string all;
  SQLWCHAR state[6];
  SQLWCHAR text[1024];
  SQLINTEGER native = 0;
  SQLSMALLINT length = 0;
  for (SQLSMALLINT i = 1; Ok(SQLGetDiagRecW(type, handle, i, state, &native, text,
                                            static_cast<SQLSMALLINT>(std::size(text)), &length));
       ++i) {
    const size_t units = std::min<size_t>(static_cast<size_t>(std::max<SQLSMALLINT>(length, 0)),
                                          std::size(text) - 1);
    if (!all.empty()) all += "; ";
    all += OneLine(Utf16ToUtf8({reinterpret_cast<const char16_t*>(text), units}));
  }
  return all.empty() ? "the ODBC driver gave no reason" : all;
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
    char16_t name[256];
    SQLSMALLINT name_length = 0, type = 0, digits = 0, nullable = 0;
    SQLULEN size = 0;
    stmt.Check(SQLDescribeColW(stmt.get(), c, reinterpret_cast<SQLWCHAR*>(name),
                               static_cast<SQLSMALLINT>(std::size(name)), &name_length, &type,
                               &size, &digits, &nullable));
    const size_t units = std::min<size_t>(
        static_cast<size_t>(std::max<SQLSMALLINT>(name_length, 0)), std::size(name) - 1);
    const std::string given = Utf16ToUtf8({name, units});
    names.push_back(spelling ? (*spelling)(c - 1u, given) : given);
    kinds.push_back(KindOf(type));
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

// What the PostgreSQL adaption relies on, set on every connection whatever the server,
// database or role configured.
constexpr char kPostgresSettings[] =
    "select set_config('enable_hashagg', 'off', false), "
    "set_config('standard_conforming_strings', 'on', false), "
    "set_config('transform_null_equals', 'off', false), "
    "set_config('DateStyle', 'ISO, YMD', false), "
    "set_config('extra_float_digits', '3', false)";

}  // namespace

OdbcHandle::OdbcHandle(SQLSMALLINT type, SQLHANDLE parent) : type_(type) {
  const SQLRETURN rc = SQLAllocHandle(type, parent, &handle_);
  if (!Ok(rc)) {
    handle_ = SQL_NULL_HANDLE;
    if (type == SQL_HANDLE_ENV) throw Error("Cannot set up ODBC: no environment handle");
    throw Error(Diagnostics(type == SQL_HANDLE_DBC ? SQL_HANDLE_ENV : SQL_HANDLE_DBC, parent));
  }
  if (type == SQL_HANDLE_ENV) {
    Check(SQLSetEnvAttr(handle_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3),
                        0));
  }
}

OdbcHandle::~OdbcHandle() {
  if (handle_ != SQL_NULL_HANDLE) SQLFreeHandle(type_, handle_);
}

void OdbcHandle::Check(SQLRETURN rc) const {
  if (!Ok(rc)) throw Error(Diagnostics(type_, handle_));
}

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
    : env_(SQL_HANDLE_ENV, SQL_NULL_HANDLE),
      dbc_(SQL_HANDLE_DBC, env_.get()),
      query_timeout_(QueryTimeoutSetting()) {
  SQLSetConnectAttr(dbc_.get(), SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(10), 0);
  std::u16string text = Utf8ToUtf16(connection_string);
  SQLRETURN rc =
      SQLDriverConnectW(dbc_.get(), nullptr, Wide(text), static_cast<SQLSMALLINT>(text.size()),
                        nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
  if (!Ok(rc)) {
    throw Error("Cannot connect to the suite database: " + Diagnostics(SQL_HANDLE_DBC, dbc_.get()));
  }
  connected_ = true;
  char16_t name[128] = {};
  SQLSMALLINT length = 0;
  SQLGetInfoW(dbc_.get(), SQL_DBMS_NAME, name, sizeof name - sizeof name[0], &length);
  const std::string dbms = Utf16ToUtf8(name);
  if (dbms.find("PostgreSQL") != std::string::npos) {
    dialect_ = Dialect::kPostgres;
    SetUpPostgres();
  } else if (dbms.find("SQLite") != std::string::npos) {
    dialect_ = Dialect::kSqlite;
  }
}

OdbcDatabase::~OdbcDatabase() {
  if (connected_) SQLDisconnect(dbc_.get());
}

void OdbcDatabase::SetUpPostgres() {
  try {
    Query(kPostgresSettings, {});
  } catch (const Error& e) {
    SQLDisconnect(dbc_.get());
    connected_ = false;
    throw Error(std::string("Cannot set up the connection to the suite database: ") + e.what());
  }
}

TextRows OdbcDatabase::Query(const std::string& sql, const Params& params) {
  OdbcStatement stmt(dbc_.get(), query_timeout_);
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
  OdbcStatement stmt(dbc_.get(), query_timeout_);
  Run(stmt, sql, params);
  SQLLEN changed = 0;
  stmt.Check(SQLRowCount(stmt.get(), &changed));
  return changed;
}

std::vector<std::string> OdbcDatabase::Statements(const std::string& tsql) const {
  switch (dialect_) {
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
  RecordsetPtr result;
  const bool folds_names = dialect_ == Dialect::kPostgres;
  Spelling spelling;
  if (folds_names) spelling.batch_names = NameSpellings(tsql);
  for (const std::string& statement : Statements(tsql)) {
    OdbcStatement stmt(dbc_.get(), query_timeout_);
    Run(stmt, statement, {});
    if (folds_names) spelling.select_names = SelectNames(statement);
    // A batch answers one result after another; the first with columns is the answer. A
    // statement of the batch that fails after the first reports its error too.
    SQLRETURN more = SQL_SUCCESS;
    for (; Ok(more); more = SQLMoreResults(stmt.get())) {
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
  dbc_.Check(SQLSetConnectAttr(dbc_.get(), SQL_ATTR_AUTOCOMMIT,
                               reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0));
}

void OdbcDatabase::End(bool commit) {
  const SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, dbc_.get(), commit ? SQL_COMMIT : SQL_ROLLBACK);
  SQLSetConnectAttr(dbc_.get(), SQL_ATTR_AUTOCOMMIT,
                    reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0);
  if (commit) dbc_.Check(rc);
}

}  // namespace qmz::suite
