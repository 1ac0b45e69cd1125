// ODBC handles freed with their owner, and the driver's diagnostics as one line of text.
// Texts cross as UTF-16 (suite/server/wide_text.h). Errors: qmz::Error with the driver's
// diagnostics.
#pragma once

#include "suite/server/odbc_api.h"

#include <string>

namespace qmz::suite {

bool OdbcOk(SQLRETURN rc);
// Every diagnostic record of the handle, each on one line, joined with "; ".
std::string OdbcDiagnostics(SQLSMALLINT type, SQLHANDLE handle);
// The SQLSTATE of the handle's first diagnostic record ("" without one); psqlODBC passes the
// server's own on.
std::string OdbcState(SQLSMALLINT type, SQLHANDLE handle);

// An ODBC handle of one type, freed with it. An environment handle asks for ODBC 3.
class OdbcHandle {
 public:
  OdbcHandle(SQLSMALLINT type, SQLHANDLE parent);
  ~OdbcHandle();
  OdbcHandle(const OdbcHandle&) = delete;
  OdbcHandle& operator=(const OdbcHandle&) = delete;
  SQLHANDLE get() const { return handle_; }
  SQLSMALLINT type() const { return type_; }
  // Error with the handle's diagnostics unless rc is a success.
  void Check(SQLRETURN rc) const;

 private:
  SQLSMALLINT type_;
  SQLHANDLE handle_ = SQL_NULL_HANDLE;
};

}  // namespace qmz::suite
