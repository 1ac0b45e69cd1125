// The limit of opening a list: the statements the component's SQL batches become, run with the
// SQLite C API on a suite connection (qmz::suite::SqliteConnection: the collation TSQL and the
// T-SQL functions registered), every column of every row read once by its type, nothing kept.
// No list can open the same rows faster on the same machine.
//
// Each batch runs on a connection of its own, as the suite's class-info component runs it
// (temporary tables live and die with the batch); of each batch the first statement that returns
// columns is the result, the others are stepped to their end.
//
// Usage: open_limit --db FILE --trace FILE [--payload] [--ties-as-found]
//   --trace   the JSON lines `baselist ... --trace-sql FILE` wrote
//   --ties-as-found  rows whose ORDER BY keys tie in the order SQLite finds them (the statements
//             without the suite's tie-breakers), to measure what those cost
//   --payload read every value as text instead and print the raw payload: the bytes of every
//             value of every result as text, summed (NULL counts 0). For sizing, not for timing.
// Prints "rows=N" (the largest result), one "batch=K rows=N columns=C" per batch and a checksum
// of what was read. Exit 0 done, 1 failed, 2 bad arguments.
#include <sqlite3.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <string>

#include "open_workload.h"
#include "suite/sqlite/sqlite_connection.h"

namespace {

// A program that hands the values on: integers and doubles as numbers, texts and blobs as
// bytes with their length.
void ReadTyped(sqlite3_stmt* statement, int columns, uint64_t& checksum) {
  for (int c = 0; c < columns; ++c) {
    switch (sqlite3_column_type(statement, c)) {
      case SQLITE_INTEGER:
        checksum += static_cast<uint64_t>(sqlite3_column_int64(statement, c));
        break;
      case SQLITE_FLOAT: {
        double value = sqlite3_column_double(statement, c);
        uint64_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        checksum ^= bits;
        break;
      }
      case SQLITE_TEXT: {
        const unsigned char* text = sqlite3_column_text(statement, c);
        int bytes = sqlite3_column_bytes(statement, c);
        checksum += static_cast<uint64_t>(bytes) + (bytes > 0 ? text[bytes - 1] : 0);
        break;
      }
      case SQLITE_BLOB: {
        const void* blob = sqlite3_column_blob(statement, c);
        int bytes = sqlite3_column_bytes(statement, c);
        checksum += static_cast<uint64_t>(bytes) +
                    (bytes > 0 ? static_cast<const unsigned char*>(blob)[0] : 0);
        break;
      }
      default:  // NULL
        break;
    }
  }
}

// Every value as SQLite writes it as text; answers the bytes.
int64_t ReadAsText(sqlite3_stmt* statement, int columns, uint64_t& checksum) {
  int64_t payload = 0;
  for (int c = 0; c < columns; ++c) {
    const unsigned char* text = sqlite3_column_text(statement, c);
    int bytes = sqlite3_column_bytes(statement, c);
    payload += bytes;
    checksum += static_cast<uint64_t>(bytes) + (text && bytes > 0 ? text[0] : 0);
  }
  return payload;
}

}  // namespace

int main(int argc, char** argv) {
  qmz::bench::WorkloadArgs args;
  bool payload_wanted = false, ties_as_found = false;
  if (!qmz::bench::ParseWorkloadArgs(
          argc, argv, args, "open_limit --db FILE --trace FILE [--payload] [--ties-as-found]",
          {{"--payload", &payload_wanted}, {"--ties-as-found", &ties_as_found}})) {
    return 2;
  }
  const std::string& database = args.database;
  const std::string& trace = args.trace;

  try {
    int64_t largest = 0, payload = 0;
    uint64_t checksum = 0;
    int number = 0;
    for (const auto& statements : qmz::bench::AdaptedBatches(trace, ties_as_found)) {
      ++number;
      qmz::suite::SqliteConnection connection(database, false);
      for (const char* pragma : qmz::bench::kColumnNamePragmas) connection.Exec(pragma);
      bool have_result = false;
      for (const std::string& text : statements) {
        qmz::suite::Statement statement(connection, text);
        sqlite3_stmt* handle = statement.handle();
        const int columns = sqlite3_column_count(handle);
        if (have_result || columns == 0) {
          while (statement.Step()) {
          }
          continue;
        }
        have_result = true;
        int64_t rows = 0;
        while (statement.Step()) {
          ++rows;
          if (payload_wanted) {
            payload += ReadAsText(handle, columns, checksum);
          } else {
            ReadTyped(handle, columns, checksum);
          }
        }
        std::printf("batch=%d rows=%lld columns=%d\n", number, static_cast<long long>(rows),
                    columns);
        if (rows > largest) largest = rows;
      }
      if (!have_result)
        throw std::runtime_error("batch " + std::to_string(number) + " returned no rows");
    }
    std::printf("rows=%lld\nchecksum=%llu\n", static_cast<long long>(largest),
                static_cast<unsigned long long>(checksum));
    if (payload_wanted) std::printf("payload_bytes=%lld\n", static_cast<long long>(payload));
    return 0;
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "open_limit: %s\n", failure.what());
    return 1;
  }
}
