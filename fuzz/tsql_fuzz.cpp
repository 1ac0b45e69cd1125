// The T-SQL adaption step: any batch is turned into statements or refused with qmz::Error, for
// SQLite and for PostgreSQL, with the order of its answer written in the statements or left to
// its reader (then each column once).
#include <set>

#include "fuzz/fuzz_input.h"
#include "qmz/error.h"
#include "suite/tsql_adaption.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string batch(reinterpret_cast<const char*>(data), size);
  using qmz::suite::Target;
  using qmz::suite::Ties;
  for (const Target target : {Target::kSqlite, Target::kPostgres}) {
    for (const Ties ties : {Ties::kBroken, Ties::kByReader}) {
      try {
        const qmz::suite::Adaption adaption = qmz::suite::AdaptBatch(batch, target, ties);
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
  }
  return 0;
}
