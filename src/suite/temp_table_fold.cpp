#include "suite/temp_table_fold.h"

#include <regex>

#include "platform/text.h"

namespace qmz::suite {

std::vector<std::string> FoldTemporaryTable(std::vector<std::string> statements) {
  static const std::regex create(R"(^CREATE TEMP TABLE ("#\w+") AS ([\s\S]*)$)");
  size_t at = 0;
  std::smatch made;
  for (; at < statements.size(); ++at) {
    if (std::regex_match(statements[at], made, create)) break;
  }
  if (at == statements.size() || at + 1 >= statements.size()) return statements;
  const std::string table = made[1].str();
  const std::string drop = "DROP TABLE IF EXISTS " + table;
  const std::string& answer = statements[at + 1];
  const bool dropped_before = at == 0 || (at == 1 && statements[0] == drop);
  const bool dropped_after =
      at + 2 == statements.size() || (at + 3 == statements.size() && statements[at + 2] == drop);
  if (!dropped_before || !dropped_after || !StartsWithWord(answer, "select") ||
      answer.find(table) == std::string::npos) {
    return statements;
  }
  return {"WITH " + table + " AS (" + made[2].str() + ") " + answer};
}

}  // namespace qmz::suite
