// What the limit and the peer of the open benchmark run: the SQL batches the component sent for
// one opening of a list (the baselist command's --trace-sql file), each turned by the suite's own
// adaption step into the statements SQLite runs.
//
// Errors are qmz::Error: a trace that cannot be read, a line that is no trace record, a batch
// the adaption step refuses.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace qmz::bench {

// The pragmas the suite's class-info component runs on each connection before a batch (result
// column names as written in the select list). They name columns only; the contenders run them
// so that SQLite sees exactly what it sees under the component.
inline constexpr const char* kColumnNamePragmas[] = {"PRAGMA short_column_names=OFF",
                                                     "PRAGMA full_column_names=OFF"};

// The arguments both contenders take: --db FILE --trace FILE, and the flags named in `flags`
// (each set true when given). False, with `usage` on standard error, for anything else or a
// missing file name.
struct WorkloadArgs {
  std::string database, trace;
};
bool ParseWorkloadArgs(int argc, char** argv, WorkloadArgs& args, const char* usage,
                       const std::vector<std::pair<std::string, bool*>>& flags = {});

// Every batch of a trace file, in the order the component sent them.
std::vector<std::string> ReadTrace(const std::string& path);

// The statements of each batch, batch by batch, in the order the suite gives rows whose keys tie
// written in them (the suite leaves a list's order to its reader; here SQLite gives it); with
// `ties_as_found`, without that order (to measure what it costs).
std::vector<std::vector<std::string>> AdaptedBatches(const std::string& trace_path,
                                                     bool ties_as_found = false);
// Whether the suite runs every batch of the trace as the statements as found, with no order
// left to the reader: the order then costs it nothing.
bool SuiteSendsAsFound(const std::string& trace_path);

}  // namespace qmz::bench
