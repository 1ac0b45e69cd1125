// An ODBC driver for tests that says it is Microsoft SQL Server and records every statement text
// it is given, as UTF-8 byte for byte, in the file named by the connection string's Record=
// keyword (each text followed by a line "-- end of statement --"). Like the SQL Server drivers
// it takes the wide (UTF-16) calls. Every statement answers one row with one integer column, so
// that a batch has an answer; a text holding RAISERROR then fails at its next result. It has
// only the calls a batch needs; unixODBC answers the others (disconnect) itself.
#include <sql.h>
#include <sqlext.h>

#include <algorithm>
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
  bool fails_later = false;  // its text holds RAISERROR: the result after the first fails
  int fetched = 0;
};

// UTF-16 as UTF-8, surrogate pairs joined.
std::string Utf8(const SQLWCHAR* text, SQLINTEGER length) {
  size_t units = 0;
  if (length == SQL_NTS) {
    while (text[units] != 0) ++units;
  } else {
    units = static_cast<size_t>(length);
  }
  std::string out;
  for (size_t i = 0; i < units; ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < units)
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += {static_cast<char>(0xC0 | c >> 6), static_cast<char>(0x80 | (c & 0x3F))};
    } else if (c < 0x10000) {
      out += {static_cast<char>(0xE0 | c >> 12), static_cast<char>(0x80 | (c >> 6 & 0x3F)),
              static_cast<char>(0x80 | (c & 0x3F))};
    } else {
      out += {static_cast<char>(0xF0 | c >> 18), static_cast<char>(0x80 | (c >> 12 & 0x3F)),
              static_cast<char>(0x80 | (c >> 6 & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
    }
  }
  return out;
}

// An ASCII text into a wide buffer of `max` bytes.
void PutWide(const char* text, SQLPOINTER buffer, SQLSMALLINT max, SQLSMALLINT* length_bytes) {
  const size_t length = std::strlen(text);
  auto* out = static_cast<SQLWCHAR*>(buffer);
  size_t room = max > 0 ? static_cast<size_t>(max) / sizeof(SQLWCHAR) : 0;
  if (out && room > 0) {
    size_t n = std::min(length, room - 1);
    for (size_t i = 0; i < n; ++i) out[i] = static_cast<SQLWCHAR>(text[i]);
    out[n] = 0;
  }
  if (length_bytes) *length_bytes = static_cast<SQLSMALLINT>(length * sizeof(SQLWCHAR));
}

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

SQLRETURN SQL_API SQLDriverConnectW(SQLHDBC dbc, SQLHWND, SQLWCHAR* in, SQLSMALLINT in_length,
                                    SQLWCHAR*, SQLSMALLINT, SQLSMALLINT* out_length, SQLUSMALLINT) {
  const std::string text = Utf8(in, in_length);
  static_cast<Connection*>(dbc)->record_file = Keyword(text, "Record");
  if (out_length) *out_length = 0;
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLGetInfoW(SQLHDBC, SQLUSMALLINT type, SQLPOINTER value, SQLSMALLINT max,
                              SQLSMALLINT* length) {
  PutWide(type == SQL_DBMS_NAME ? "Microsoft SQL Server" : "", value, max, length);
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLSetStmtAttrW(SQLHSTMT, SQLINTEGER, SQLPOINTER, SQLINTEGER) {
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLExecDirectW(SQLHSTMT handle, SQLWCHAR* text, SQLINTEGER length) {
  auto* statement = static_cast<Statement*>(handle);
  std::ofstream(statement->connection->record_file, std::ios::app | std::ios::binary)
      << Utf8(text, length) << "\n-- end of statement --\n";
  statement->executed = true;
  statement->fails_later = Utf8(text, length).find("RAISERROR") != std::string::npos;
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLNumResultCols(SQLHSTMT handle, SQLSMALLINT* columns) {
  *columns = static_cast<Statement*>(handle)->executed ? 1 : 0;
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLColAttributeW(SQLHSTMT, SQLUSMALLINT, SQLUSMALLINT field, SQLPOINTER text,
                                   SQLSMALLINT max, SQLSMALLINT* text_bytes, SQLLEN* number) {
  if (field == SQL_DESC_NAME) PutWide("Recorded", text, max, text_bytes);
  if (field == SQL_DESC_TYPE && number) *number = SQL_INTEGER;
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

SQLRETURN SQL_API SQLMoreResults(SQLHSTMT handle) {
  return static_cast<Statement*>(handle)->fails_later ? SQL_ERROR : SQL_NO_DATA;
}
}  // extern "C"
