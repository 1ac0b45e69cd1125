// --trace-sql: wraps the registered class-info component so that every SQL text the library
// sends is appended to a file as one JSON line {"sql": "..."}, exactly as sent, before it runs.
#pragma once

#include <string>

namespace qmz::cli {

// Error when the file cannot be opened for appending.
void TraceSqlTo(const std::string& path);

}  // namespace qmz::cli
