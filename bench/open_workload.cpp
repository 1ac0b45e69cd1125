#include "open_workload.h"

#include <cstdio>
#include <fstream>

#include <nlohmann/json.hpp>

#include "qmz/error.h"
#include "suite/tsql/tsql_adaption.h"

namespace qmz::bench {

std::vector<std::string> ReadTrace(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Error("Cannot read the SQL trace " + path);
  std::vector<std::string> batches;
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (line.empty()) continue;
    nlohmann::json record = nlohmann::json::parse(line, nullptr, false);
    if (!record.is_object() || !record.contains("sql") || !record["sql"].is_string()) {
      throw Error(path + ":" + std::to_string(number) + ": not a trace record");
    }
    batches.push_back(record["sql"].get<std::string>());
  }
  if (batches.empty()) throw Error("The SQL trace " + path + " holds no batch");
  return batches;
}

std::vector<std::vector<std::string>> AdaptedBatches(const std::string& trace_path,
                                                     bool ties_as_found) {
  using qmz::suite::Ties;
  std::vector<std::vector<std::string>> adapted;
  for (const std::string& batch : ReadTrace(trace_path)) {
    adapted.push_back(qmz::suite::AdaptTsql(batch, qmz::suite::Target::kSqlite,
                                            ties_as_found ? Ties::kAsFound : Ties::kBroken));
  }
  return adapted;
}

bool SuiteSendsAsFound(const std::string& trace_path) {
  using qmz::suite::AdaptWithOrder;
  using qmz::suite::Target;
  using qmz::suite::Ties;
  for (const std::string& batch : ReadTrace(trace_path)) {
    const qmz::suite::Adaption sent = AdaptWithOrder(batch, Target::kSqlite, Ties::kByReader);
    if (!sent.order.empty() ||
        sent.statements != AdaptWithOrder(batch, Target::kSqlite, Ties::kAsFound).statements) {
      return false;
    }
  }
  return true;
}

bool ParseWorkloadArgs(int argc, char** argv, WorkloadArgs& args, const char* usage,
                       const std::vector<std::pair<std::string, bool*>>& flags) {
  auto refuse = [usage] {
    std::fprintf(stderr, "usage: %s\n", usage);
    return false;
  };
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--db" && i + 1 < argc) {
      args.database = argv[++i];
      continue;
    }
    if (arg == "--trace" && i + 1 < argc) {
      args.trace = argv[++i];
      continue;
    }
    bool known = false;
    for (const auto& [name, flag] : flags) {
      if (arg == name) *flag = known = true;
    }
    if (!known) return refuse();
  }
  return !args.database.empty() && !args.trace.empty() ? true : refuse();
}

}  // namespace qmz::bench
