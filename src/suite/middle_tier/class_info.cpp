#include "suite/middle_tier/class_info.h"

#include "platform/list_answer.h"
#include "qmz/error.h"
#include "suite/database.h"
#include "suite/middle_tier/login_cache.h"

namespace qmz::suite {

namespace {

std::string& DatabasePath() {
  static std::string path;
  return path;
}

std::string& PrimaryPath() {
  static std::string path;
  return path;
}

}  // namespace

void SetSuiteDatabase(const std::string& path, const std::string& primary) {
  DatabasePath() = path;
  PrimaryPath() = primary == path ? "" : primary;
}
const std::string& SuiteDatabase() {
  return DatabasePath();
}

std::unique_ptr<Database> OpenReadDatabase() {
  if (DatabasePath().empty()) throw Error("No suite database is open");
  if (PrimaryPath().empty()) return OpenDatabase(DatabasePath());
  try {
    return OpenDatabase(DatabasePath());
  } catch (const Error& e) {
    ProcessLoginCache().last_warning =
        std::string("The read database cannot be reached; the primary answered instead: ") +
        e.what();
    return OpenDatabase(PrimaryPath());
  }
}

RecordsetPtr SuiteClassInfo::GetData(const std::string&, const std::string& sql) {
  RecordsetPtr result = OpenReadDatabase()->RunTsql(sql, ListAnswerScope::Active());
  result->SetSource(sql);
  result->ReleaseConnection();
  return result;
}

}  // namespace qmz::suite
