#include "suite/kept_adaption.h"

#include <unordered_map>

namespace qmz::suite {

namespace {

std::shared_ptr<const AdaptedBatch> Adapt(const std::string& tsql, Target target) {
  auto adapted = std::make_shared<AdaptedBatch>();
  adapted->statements = AdaptTsql(tsql, target);
  if (target == Target::kPostgres) {
    adapted->batch_names = NameSpellings(tsql);
    for (const std::string& statement : adapted->statements) {
      adapted->select_names.push_back(SelectNames(statement));
    }
  }
  return adapted;
}

}  // namespace

std::shared_ptr<const AdaptedBatch> KeptAdaption(const std::string& tsql, Target target) {
  constexpr size_t kKeptBatches = 64;
  constexpr size_t kLongestKept = 8192;
  using Kept = std::unordered_map<std::string, std::shared_ptr<const AdaptedBatch>>;
  thread_local Kept kept[2];
  if (tsql.size() > kLongestKept) return Adapt(tsql, target);
  Kept& of_target = kept[target == Target::kPostgres ? 1 : 0];
  auto found = of_target.find(tsql);
  if (found != of_target.end()) return found->second;
  std::shared_ptr<const AdaptedBatch> adapted = Adapt(tsql, target);
  if (of_target.size() == kKeptBatches) of_target.clear();
  of_target.emplace(tsql, adapted);
  return adapted;
}

}  // namespace qmz::suite
