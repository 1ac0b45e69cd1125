// QMZMClass.ClassInfo of the embedded suite: runs the library's T-SQL batches on the suite
// database and answers a disconnected Recordset.
//
// Each call opens its own connection (temporary tables live and die with it), adapts the batch
// (tsql_adaption.h), runs every statement in order and keeps the result of the first statement
// that returns columns: field names and order as the statement gives them, integers, doubles,
// texts and nulls as such. A database error raises qmz::Error with SQLite's message.
#pragma once

#include <string>

#include "qmz/components.h"

namespace qmz::suite {

// The database every suite component of this process uses.
void SetSuiteDatabase(const std::string& path);
const std::string& SuiteDatabase();

class SqliteClassInfo : public ClassInfo {
 public:
  RecordsetPtr GetData(const std::string& props_string, const std::string& sql) override;
};

}  // namespace qmz::suite
