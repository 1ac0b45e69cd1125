#include "suite/server/odbc_handle.h"

#include "suite/server/odbc_api.h"

#include <algorithm>

#include "qmz/error.h"
#include "suite/server/wide_text.h"

namespace qmz::suite {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "unixODBC's SQLWCHAR is UTF-16");

namespace {

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

}  // namespace

bool OdbcOk(SQLRETURN rc) {
  return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}

std::string OdbcState(SQLSMALLINT type, SQLHANDLE handle) {
  SQLWCHAR state[6] = {};
  SQLINTEGER native = 0;
  SQLSMALLINT length = 0;
  if (!OdbcOk(SQLGetDiagRecW(type, handle, 1, state, &native, nullptr, 0, &length))) return "";
  return Utf16ToUtf8(std::u16string(reinterpret_cast<const char16_t*>(state), 5));
}

std::string OdbcDiagnostics(SQLSMALLINT type, SQLHANDLE handle) {
  std::string all;
  SQLWCHAR state[6];
  SQLWCHAR text[1024];
  SQLINTEGER native = 0;
  SQLSMALLINT length = 0;
  for (SQLSMALLINT i = 1;
       OdbcOk(SQLGetDiagRecW(type, handle, i, state, &native, text,
                             static_cast<SQLSMALLINT>(std::size(text)), &length));
       ++i) {
    const size_t units = std::min<size_t>(static_cast<size_t>(std::max<SQLSMALLINT>(length, 0)),
                                          std::size(text) - 1);
    if (!all.empty()) all += "; ";
    all += OneLine(Utf16ToUtf8({reinterpret_cast<const char16_t*>(text), units}));
  }
  return all.empty() ? "the ODBC driver gave no reason" : all;
}

OdbcHandle::OdbcHandle(SQLSMALLINT type, SQLHANDLE parent) : type_(type) {
  const SQLRETURN rc = SQLAllocHandle(type, parent, &handle_);
  if (!OdbcOk(rc)) {
    handle_ = SQL_NULL_HANDLE;
    if (type == SQL_HANDLE_ENV) throw Error("Cannot set up ODBC: no environment handle");
    throw Error(OdbcDiagnostics(type == SQL_HANDLE_DBC ? SQL_HANDLE_ENV : SQL_HANDLE_DBC, parent));
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
  if (!OdbcOk(rc)) throw Error(OdbcDiagnostics(type_, handle_));
}

}  // namespace qmz::suite
