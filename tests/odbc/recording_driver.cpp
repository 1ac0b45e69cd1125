// An ODBC driver for tests that says it is Microsoft SQL Server and records every statement text
// it is given, byte for byte, in the file named by the connection string's Record= keyword
// (each text followed by a line "-- end of statement --"). Every statement answers one row
// with one integer column, so that a batch has an answer. It has only the calls a batch needs;
// unixODBC answers the others (attributes, disconnect, diagnostics) itself.
#include <sql.h>
#include <sqlext.h>

#include <cstring>
#include <fstream>
#include <string>

namespace {

struct Connection {
  std::string record_file;
};

struct Statement {
  Connection* connection = nullptr;
  bool executed = false;
  int fetched = 0;
};

std::string Keyword(const std::string& text, const std::string& key) {
  size_t at = text.find(key + "=");
  if (at == std::string::npos) return "";
  size_t end = text.find(';', at);
  return text.substr(at + key.size() + 1,
                     end == std::string::npos ? std::string::npos : end - at - key.size() - 1);
}

}  // namespace

extern "C" {

SQLRETURN SQL_API SQLAllocHandle(SQLSMALLINT type, SQLHANDLE input, SQLHANDLE* output) {
  if (type == SQL_HANDLE_ENV) *output = new int(0);
  if (type == SQL_HANDLE_DBC) *output = new Connection;
  if (type == SQL_HANDLE_STMT) *output = new Statement{static_cast<Connection*>(input)};
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLFreeHandle(SQLSMALLINT type, SQLHANDLE handle) {
  if (type == SQL_HANDLE_ENV) delete static_cast<int*>(handle);
  if (type == SQL_HANDLE_DBC) delete static_cast<Connection*>(handle);
  if (type == SQL_HANDLE_STMT) delete static_cast<Statement*>(handle);
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLDriverConnect(SQLHDBC dbc, SQLHWND, SQLCHAR* in, SQLSMALLINT in_length,
                                   SQLCHAR* out, SQLSMALLINT out_max, SQLSMALLINT* out_length,
                                   SQLUSMALLINT) {
  std::string text(reinterpret_cast<char*>(in),
                   in_length == SQL_NTS ? std::strlen(reinterpret_cast<char*>(in)) : in_length);
  static_cast<Connection*>(dbc)->record_file = Keyword(text, "Record");
  if (out && out_max > 0) {
    std::strncpy(reinterpret_cast<char*>(out), text.c_str(), out_max - 1);
    out[out_max - 1] = 0;
  }
  if (out_length) *out_length = static_cast<SQLSMALLINT>(text.size());
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLGetInfo(SQLHDBC, SQLUSMALLINT type, SQLPOINTER value, SQLSMALLINT max,
                             SQLSMALLINT* length) {
  const char* text = type == SQL_DBMS_NAME ? "Microsoft SQL Server" : "";
  if (value && max > 0) {
    std::strncpy(static_cast<char*>(value), text, max - 1);
    static_cast<char*>(value)[max - 1] = 0;
  }
  if (length) *length = static_cast<SQLSMALLINT>(std::strlen(text));
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLExecDirect(SQLHSTMT handle, SQLCHAR* text, SQLINTEGER length) {
  auto* statement = static_cast<Statement*>(handle);
  size_t bytes = length == SQL_NTS ? std::strlen(reinterpret_cast<char*>(text)) : length;
  std::ofstream(statement->connection->record_file, std::ios::app | std::ios::binary)
          .write(reinterpret_cast<char*>(text), static_cast<std::streamsize>(bytes))
      << "\n-- end of statement --\n";
  statement->executed = true;
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLNumResultCols(SQLHSTMT handle, SQLSMALLINT* columns) {
  *columns = static_cast<Statement*>(handle)->executed ? 1 : 0;
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLDescribeCol(SQLHSTMT, SQLUSMALLINT, SQLCHAR* name, SQLSMALLINT max,
                                 SQLSMALLINT* name_length, SQLSMALLINT* type, SQLULEN* size,
                                 SQLSMALLINT* digits, SQLSMALLINT* nullable) {
  std::strncpy(reinterpret_cast<char*>(name), "Recorded", max - 1);
  if (name_length) *name_length = 8;
  if (type) *type = SQL_INTEGER;
  if (size) *size = 10;
  if (digits) *digits = 0;
  if (nullable) *nullable = SQL_NO_NULLS;
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLFetch(SQLHSTMT handle) {
  return static_cast<Statement*>(handle)->fetched++ == 0 ? SQL_SUCCESS : SQL_NO_DATA;
}

SQLRETURN SQL_API SQLGetData(SQLHSTMT, SQLUSMALLINT, SQLSMALLINT, SQLPOINTER value, SQLLEN,
                             SQLLEN* indicator) {
  *static_cast<SQLBIGINT*>(value) = 1;
  if (indicator) *indicator = sizeof(SQLBIGINT);
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLMoreResults(SQLHSTMT) {
  return SQL_NO_DATA;
}
}  // extern "C"
