#include "suite/tsql/temp_table_fold.h"

#include <optional>

#include "platform/text.h"

namespace qmz::suite {

namespace {

struct MadeTable {
  std::string name;   // quoted, as the adaption writes it: "#t"
  size_t query_at{};  // where the query after AS starts
};

// `CREATE TEMP TABLE "#t" AS query`, as the adaption writes it; nullopt for any other statement.
// A scan of the prefix only: the query after it may be of any length.
std::optional<MadeTable> TableMadeBy(const std::string& statement) {
  static const std::string kCreate = "CREATE TEMP TABLE \"#";
  if (statement.compare(0, kCreate.size(), kCreate) != 0) return std::nullopt;
  size_t end = kCreate.size();
  while (end < statement.size() &&
         (std::isalnum(static_cast<unsigned char>(statement[end])) || statement[end] == '_')) {
    ++end;
  }
  static const std::string kAs = "\" AS ";
  if (end == kCreate.size() || statement.compare(end, kAs.size(), kAs) != 0) return std::nullopt;
  return MadeTable{statement.substr(kCreate.size() - 2, end - kCreate.size() + 3),
                   end + kAs.size()};
}

}  // namespace

std::vector<std::string> FoldTemporaryTable(std::vector<std::string> statements) {
  size_t at = 0;
  std::optional<MadeTable> made;
  for (; at < statements.size() && !made; ++at) made = TableMadeBy(statements[at]);
  if (!made || at >= statements.size()) return statements;
  --at;
  const std::string drop = "DROP TABLE IF EXISTS " + made->name;
  const std::string& answer = statements[at + 1];
  const bool dropped_before = at == 0 || (at == 1 && statements[0] == drop);
  const bool dropped_after =
      at + 2 == statements.size() || (at + 3 == statements.size() && statements[at + 2] == drop);
  if (!dropped_before || !dropped_after || !StartsWithWord(answer, "select") ||
      answer.find(made->name) == std::string::npos) {
    return statements;
  }
  return {"WITH " + made->name + " AS (" + statements[at].substr(made->query_at) + ") " + answer};
}

}  // namespace qmz::suite
