#include "suite/database.h"

#include "suite/server/odbc_database.h"
#include "suite/sqlite/sqlite_database.h"

namespace qmz::suite {

namespace {
constexpr char kOdbcPrefix[] = "odbc:";
}  // namespace

bool IsOdbcTarget(const std::string& target) {
  return target.rfind(kOdbcPrefix, 0) == 0;
}

std::unique_ptr<Database> OpenDatabase(const std::string& target) {
  if (IsOdbcTarget(target)) {
    return std::make_unique<OdbcDatabase>(target.substr(sizeof kOdbcPrefix - 1));
  }
  return std::make_unique<SqliteDatabase>(target);
}

}  // namespace qmz::suite
