// QMZMClass.ClassInfo of the suite: runs the library's T-SQL batches on the suite database and
// answers a disconnected Recordset.
//
// Each call opens its own connection (temporary tables live and die with it) and runs the batch
// in the database's dialect (database.h): the result of the first statement that returns
// columns, field names and order as the statement gives them, integers, doubles, texts and nulls
// as such. A database error raises qmz::Error with the database's message.
#pragma once

#include <memory>
#include <string>

#include "qmz/components.h"
#include "suite/database.h"

namespace qmz::suite {

// The database every suite component of this process reads: a file or "odbc:..." (database.h),
// and the one it writes when that is another (a standby's primary), "" when the same.
void SetSuiteDatabase(const std::string& path, const std::string& primary = "");
const std::string& SuiteDatabase();

// Opens the database the suite reads; one that cannot be reached (opened, connected) leaves the
// reads to the primary, with a warning kept for the host (qmz/suite.h, LastWarning). Errors
// when the primary cannot be opened either.
std::unique_ptr<Database> OpenReadDatabase();

class SuiteClassInfo : public ClassInfo {
 public:
  RecordsetPtr GetData(const std::string& props_string, const std::string& sql) override;
};

}  // namespace qmz::suite
