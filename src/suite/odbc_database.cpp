#include "suite/odbc_database.h"

#include <sqlext.h>

#include <cstring>
#include <map>
#include <memory>

#include "platform/text.h"
#include "qmz/error.h"
#include "suite/tsql_adaption.h"

namespace qmz::suite {

namespace {

bool Ok(SQLRETURN rc) {
  return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
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
  SQLCHAR state[6];
  SQLCHAR text[1024];
  SQLINTEGER native = 0;
  SQLSMALLINT length = 0;
  for (SQLSMALLINT i = 1; Ok(SQLGetDiagRec(type, handle, i, state, &native, text,
                                           static_cast<SQLSMALLINT>(sizeof text), &length));
       ++i) {
    if (!all.empty()) all += "; ";
    all += OneLine(reinterpret_cast<const char*>(text));
  }
  return all.empty() ? "the ODBC driver gave no reason" : all;
}

void CheckRc(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle) {
  if (!Ok(rc)) throw Error(Diagnostics(type, handle));
}

// UTF-16 from the driver's wide characters to UTF-8; unpaired surrogates become U+FFFD.
void AppendUtf8(std::string& out, const SQLWCHAR* text, size_t units) {
  for (size_t i = 0; i < units; ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
}

// One statement handle, freed on every path.
class Handle {
 public:
  explicit Handle(SQLHDBC dbc) {
    CheckRc(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt_), SQL_HANDLE_DBC, dbc);
  }
  ~Handle() { SQLFreeHandle(SQL_HANDLE_STMT, stmt_); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  SQLHSTMT get() const { return stmt_; }
  void Check(SQLRETURN rc) const { CheckRc(rc, SQL_HANDLE_STMT, stmt_); }

 private:
  SQLHSTMT stmt_ = SQL_NULL_HSTMT;
};

// A column's text, read in pieces of any length; nullopt for NULL.
std::optional<std::string> ColumnText(const Handle& stmt, SQLUSMALLINT column) {
  std::string text;
  SQLWCHAR buffer[2048];
  for (;;) {
    SQLLEN indicator = 0;
    SQLRETURN rc = SQLGetData(stmt.get(), column, SQL_C_WCHAR, buffer, sizeof buffer, &indicator);
    if (rc == SQL_NO_DATA) break;
    stmt.Check(rc);
    if (indicator == SQL_NULL_DATA) return std::nullopt;
    const size_t capacity = sizeof buffer / sizeof buffer[0] - 1;
    size_t units = indicator == SQL_NO_TOTAL || indicator / static_cast<SQLLEN>(sizeof(SQLWCHAR)) >
                                                    static_cast<SQLLEN>(capacity)
                       ? capacity
                       : static_cast<size_t>(indicator) / sizeof(SQLWCHAR);
    AppendUtf8(text, buffer, units);
    if (rc == SQL_SUCCESS) break;
  }
  return text;
}

const std::string kEmpty;

void BindTexts(const Handle& stmt, const Params& params, std::vector<SQLLEN>& lengths) {
  lengths.resize(params.size());
  for (size_t i = 0; i < params.size(); ++i) {
    const std::string& text = params[i] ? *params[i] : kEmpty;
    lengths[i] = params[i] ? static_cast<SQLLEN>(text.size()) : SQL_NULL_DATA;
    stmt.Check(SQLBindParameter(stmt.get(), static_cast<SQLUSMALLINT>(i + 1), SQL_PARAM_INPUT,
                                SQL_C_CHAR, SQL_VARCHAR, std::max<SQLULEN>(1, text.size()), 0,
                                const_cast<char*>(text.data()), static_cast<SQLLEN>(text.size()),
                                &lengths[i]));
  }
}

void Run(const Handle& stmt, const std::string& sql, const Params& params) {
  std::vector<SQLLEN> lengths;
  auto* text = reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.data()));
  if (params.empty()) {
    SQLRETURN rc = SQLExecDirect(stmt.get(), text, static_cast<SQLINTEGER>(sql.size()));
    if (rc != SQL_NO_DATA) stmt.Check(rc);
    return;
  }
  stmt.Check(SQLPrepare(stmt.get(), text, static_cast<SQLINTEGER>(sql.size())));
  BindTexts(stmt, params, lengths);
  SQLRETURN rc = SQLExecute(stmt.get());
  if (rc != SQL_NO_DATA) stmt.Check(rc);
}

SQLSMALLINT ColumnCount(const Handle& stmt) {
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
RecordsetPtr ReadResult(const Handle& stmt, SQLSMALLINT columns, const Spelling* spelling) {
  std::vector<std::string> names;
  std::vector<Kind> kinds;
  for (SQLUSMALLINT c = 1; c <= columns; ++c) {
    SQLCHAR name[256];
    SQLSMALLINT name_length = 0, type = 0, digits = 0, nullable = 0;
    SQLULEN size = 0;
    stmt.Check(SQLDescribeCol(stmt.get(), c, name, sizeof name, &name_length, &type, &size, &digits,
                              &nullable));
    const std::string given = reinterpret_cast<const char*>(name);
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

}  // namespace

OdbcDatabase::OdbcDatabase(const std::string& connection_string) {
  SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_);
  SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_);
  SQLSetConnectAttr(dbc_, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(10), 0);
  auto* text = reinterpret_cast<SQLCHAR*>(const_cast<char*>(connection_string.c_str()));
  SQLRETURN rc =
      SQLDriverConnect(dbc_, nullptr, text, SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
  if (!Ok(rc)) {
    std::string reason = Diagnostics(SQL_HANDLE_DBC, dbc_);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
    SQLFreeHandle(SQL_HANDLE_ENV, env_);
    throw Error("Cannot connect to the suite database: " + reason);
  }
  SQLCHAR name[128] = {};
  SQLSMALLINT length = 0;
  SQLGetInfo(dbc_, SQL_DBMS_NAME, name, sizeof name, &length);
  const std::string dbms = reinterpret_cast<const char*>(name);
  if (dbms.find("PostgreSQL") != std::string::npos) {
    dialect_ = Dialect::kPostgres;
    // Grouped, distinct and united rows come out sorted by their keys, as on the embedded suite
    // and as the production server's plans give them, not in the order of a hash table.
    Execute("SET enable_hashagg = off", {});
  } else if (dbms.find("SQLite") != std::string::npos) {
    dialect_ = Dialect::kSqlite;
  }
}

OdbcDatabase::~OdbcDatabase() {
  SQLDisconnect(dbc_);
  SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
  SQLFreeHandle(SQL_HANDLE_ENV, env_);
}

TextRows OdbcDatabase::Query(const std::string& sql, const Params& params) {
  Handle stmt(dbc_);
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
  Handle stmt(dbc_);
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
    Handle stmt(dbc_);
    Run(stmt, statement, {});
    if (folds_names) spelling.select_names = SelectNames(statement);
    // A batch answers one result after another; the first with columns is the answer.
    for (SQLRETURN more = SQL_SUCCESS; Ok(more); more = SQLMoreResults(stmt.get())) {
      const SQLSMALLINT columns = ColumnCount(stmt);
      if (!result && columns > 0) {
        result = ReadResult(stmt, columns, folds_names ? &spelling : nullptr);
      }
    }
  }
  if (!result) throw Error("The SQL batch returned no rows");
  return result;
}

}  // namespace qmz::suite
