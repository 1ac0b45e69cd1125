#include "suite/class_info.h"

#include "platform/list_answer.h"
#include "qmz/error.h"
#include "suite/database.h"

namespace qmz::suite {

namespace {

std::string& DatabasePath() {
  static std::string path;
  return path;
}

}  // namespace

void SetSuiteDatabase(const std::string& path) {
  DatabasePath() = path;
}
const std::string& SuiteDatabase() {
  return DatabasePath();
}

RecordsetPtr SuiteClassInfo::GetData(const std::string&, const std::string& sql) {
  if (DatabasePath().empty()) throw Error("No suite database is open");
  RecordsetPtr result = OpenDatabase(DatabasePath())->RunBatch(sql, ListAnswerScope::Active());
  result->SetSource(sql);
  result->ReleaseConnection();
  return result;
}

}  // namespace qmz::suite
