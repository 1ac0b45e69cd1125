// The T-SQL adaption step: any batch is turned into statements or refused with qmz::Error, for
// SQLite and for PostgreSQL, with the order of its answer written in the statements or left to
// its reader (then each column once). Kept, the batch becomes the same statements as adapted
// alone, also when a batch of its shape was kept before it; on PostgreSQL its parameterized
// statement with the arguments in place of $1, $2, … is its statement, on SQLite its ?1, ?2, …
// are one for each value bound.
#include <set>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "qmz/error.h"
#include "suite/tsql/kept_adaption.h"
#include "suite/tsql/tsql_adaption.h"

namespace {

// The arguments "5, 'a, b', ''" one by one: a comma inside a quoted text is the text's.
std::vector<std::string> Arguments(const std::string& list) {
  std::vector<std::string> out;
  std::string current;
  bool quoted = false;
  for (size_t i = 0; i < list.size(); ++i) {
    if (list[i] == '\'') quoted = !quoted;
    if (!quoted && list.compare(i, 2, ", ") == 0) {
      out.push_back(current);
      current.clear();
      ++i;
      continue;
    }
    current += list[i];
  }
  if (!list.empty()) out.push_back(current);
  return out;
}

// The statement with each $n replaced by the n-th argument, in one pass (the statement has no
// `$` of its own; an argument may).
std::string WithArguments(const qmz::suite::Parameterized& p) {
  const std::vector<std::string> arguments = Arguments(p.arguments);
  const std::string& statement = *p.statement;
  std::string text;
  for (size_t i = 0; i < statement.size();) {
    if (statement[i] != '$') {
      text += statement[i++];
      continue;
    }
    size_t end = i + 1, n = 0;
    while (end < statement.size() && statement[end] >= '0' && statement[end] <= '9') {
      n = n * 10 + static_cast<size_t>(statement[end++] - '0');
    }
    qmz::fuzz::Require(n >= 1 && n <= arguments.size());
    text += arguments[n - 1];
    i = end;
  }
  return text;
}

// The batch kept, after another of its shape (its digits changed) was kept.
void CheckKept(const std::string& batch, qmz::suite::Target target) {
  std::string sibling = batch;
  for (char& c : sibling) {
    if (c >= '0' && c <= '8') ++c;
  }
  qmz::suite::Adaption alone;
  try {
    alone = qmz::suite::AdaptWithOrder(batch, target);
  } catch (const qmz::Error&) {
    return;
  }
  try {
    qmz::suite::KeptAdaption(sibling, target);
  } catch (const qmz::Error&) {
  }
  std::shared_ptr<const qmz::suite::AdaptedTsql> kept;
  try {
    kept = qmz::suite::KeptAdaption(batch, target);
  } catch (const qmz::Error&) {
    return;  // the answer's names cannot be read from the statement (PostgreSQL)
  }
  qmz::fuzz::Require(kept->statements == alone.statements);
  qmz::fuzz::Require(kept->order == alone.order);
  if (!kept->parameterized.statement) return;
  qmz::fuzz::Require(kept->statements.size() == 1);
  if (target == qmz::suite::Target::kPostgres) {
    qmz::fuzz::Require(WithArguments(kept->parameterized) == kept->statements.front());
    return;
  }
  // SQLite: ?1 … ?n, one for each value bound.
  std::set<size_t> used;
  const std::string& statement = *kept->parameterized.statement;
  for (size_t at = statement.find('?'); at != std::string::npos; at = statement.find('?', at + 1)) {
    size_t n = 0;
    for (size_t i = at + 1; i < statement.size() && statement[i] >= '0' && statement[i] <= '9';
         ++i) {
      n = n * 10 + static_cast<size_t>(statement[i] - '0');
    }
    qmz::fuzz::Require(n >= 1 && n <= kept->parameterized.values.size());
    used.insert(n);
  }
  qmz::fuzz::Require(used.size() == kept->parameterized.values.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string batch(reinterpret_cast<const char*>(data), size);
  using qmz::suite::Target;
  using qmz::suite::Ties;
  for (const Target target : {Target::kSqlite, Target::kPostgres}) {
    for (const Ties ties : {Ties::kBroken, Ties::kByReader}) {
      try {
        const qmz::suite::Adaption adaption = qmz::suite::AdaptWithOrder(batch, target, ties);
        for (const std::string& statement : adaption.statements) {
          qmz::fuzz::Require(statement.size() <= 8 * size + 256);
        }
        std::set<int32_t> columns;
        for (const qmz::OrderField& field : adaption.order) {
          qmz::fuzz::Require(field.field >= 0 && columns.insert(field.field).second);
        }
        qmz::fuzz::Require(ties == Ties::kByReader || adaption.order.empty());
      } catch (const qmz::Error&) {
      }
    }
    CheckKept(batch, target);
  }
  return 0;
}
