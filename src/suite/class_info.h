// QMZMClass.ClassInfo of the suite: runs the library's T-SQL batches on the suite database and
// answers a disconnected Recordset.
//
// Each call opens its own connection (temporary tables live and die with it) and runs the batch
// in the database's dialect (database.h): the result of the first statement that returns
// columns, field names and order as the statement gives them, integers, doubles, texts and nulls
// as such. A database error raises qmz::Error with the database's message.
#pragma once

#include <string>

#include "qmz/components.h"

namespace qmz::suite {

// The database every suite component of this process uses: a file or "odbc:..." (database.h).
void SetSuiteDatabase(const std::string& path);
const std::string& SuiteDatabase();

class SuiteClassInfo : public ClassInfo {
 public:
  RecordsetPtr GetData(const std::string& props_string, const std::string& sql) override;
};

}  // namespace qmz::suite
