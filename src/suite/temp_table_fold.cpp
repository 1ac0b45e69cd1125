#include "suite/temp_table_fold.h"

#include <cctype>
#include <regex>

#include "platform/text.h"

namespace qmz::suite {

namespace {

// Whether `statement` begins with `word` (after blanks), as a word.
bool BeginsWith(const std::string& statement, const std::string& word) {
  const size_t at = statement.find_first_not_of(" \t\r\n");
  return at != std::string::npos && EqualsIgnoreCase(statement.substr(at, word.size()), word) &&
         (at + word.size() == statement.size() ||
          !(std::isalnum(static_cast<unsigned char>(statement[at + word.size()])) ||
            statement[at + word.size()] == '_'));
}

}  // namespace

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
  if (!dropped_before || !dropped_after || !BeginsWith(answer, "select") ||
      answer.find(table) == std::string::npos) {
    return statements;
  }
  return {"WITH " + table + " AS (" + made[2].str() + ") " + answer};
}

}  // namespace qmz::suite
