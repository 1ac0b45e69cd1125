// One measured run of another program as a whole process: wall time and peak resident memory.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace qmz::bench {

struct Measured {
  double seconds = 0;      // wall clock, from before the fork to after the child was reaped
  double peak_mib = 0;     // the child's ru_maxrss as wait4 reports it for that child alone
  double cpu_seconds = 0;  // the child's user and system time (ru_utime + ru_stime)
};

// Runs `command` (the program, then its arguments) with its standard output written to `out`
// and its standard error to `err`. Error (std::runtime_error, with the end of `err`) when it
// cannot start, ends by a signal or exits with another code than 0.
//
// The child starts as a copy of this process, whose own resident memory (a few MiB) is thus the
// floor of every measurement; keep this process small.
Measured RunMeasured(const std::vector<std::string>& command, const std::filesystem::path& out,
                     const std::filesystem::path& err);

// The text of a small file; empty when it cannot be read.
std::string ReadText(const std::filesystem::path& path);

}  // namespace qmz::bench
