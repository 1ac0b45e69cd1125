// A lookup's cost per call on a suite file, for the side-by-side rows of `./run.sh bench`:
//   batch, aux        GetBatch(1, "B2601") or GetAux(2, "Blue") from C++
//   limit-batch, limit-aux  the very statements those lookups send (composed and adapted as the
//                     component does), prepared and stepped on one open connection through
//                     SQLite's C API, every value read: what a lookup cannot beat
//   lines             the statements of GetBatch for CALLS order lines of the million-row suite
//                     (line k: item k * 7919 mod 20000 + 1, batch B00000(k mod 10 + 1)), as
//                     adapted for SQLite: one JSON object per line, {"item", "batch",
//                     "statements"}, for bench/order_lines.py to ask through the package and
//                     to run through Python's sqlite3
// Prints milliseconds per call over CALLS calls after a warm-up of 100.
// Usage: call_cost DATABASE CALLS OPERATION
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "inventory/lookup_query.h"
#include "qmz/baselist.h"
#include "qmz/containers.h"
#include "qmz/host.h"
#include "qmz/suite.h"
#include "suite/sqlite/sqlite_connection.h"
#include "suite/tsql/tsql_adaption.h"

namespace {

// Steps every statement of a lookup and reads every value of its rows.
class Limit {
 public:
  Limit(const std::string& database, const std::string& batch)
      : connection_(database, false), texts_(qmz::suite::AdaptWithOrder(batch).statements) {}
  ~Limit() {
    for (sqlite3_stmt* statement : statements_) sqlite3_finalize(statement);
  }
  // The number of values read; their bytes go to `sink_`, so that nothing is optimised away.
  size_t Run() {
    size_t values = 0;
    for (size_t i = 0; i < texts_.size(); ++i) {
      // Prepared at the first run, in order: a statement may read a table an earlier one makes.
      if (statements_.size() == i) statements_.push_back(Prepare(texts_[i]));
      sqlite3_stmt* statement = statements_[i];
      while (sqlite3_step(statement) == SQLITE_ROW) {
        for (int c = 0, n = sqlite3_column_count(statement); c < n; ++c, ++values) {
          if (sqlite3_column_type(statement, c) == SQLITE_TEXT) {
            const unsigned char* text = sqlite3_column_text(statement, c);
            sink_ += text ? text[0] + static_cast<size_t>(sqlite3_column_bytes(statement, c)) : 0;
          } else {
            sink_ += static_cast<size_t>(sqlite3_column_double(statement, c));
          }
        }
      }
      sqlite3_reset(statement);
    }
    return values;
  }

 private:
  sqlite3_stmt* Prepare(const std::string& text) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(connection_.handle(), text.c_str(), -1, &statement, nullptr) !=
        SQLITE_OK) {
      std::fprintf(stderr, "%s\n", sqlite3_errmsg(connection_.handle()));
      std::exit(1);
    }
    return statement;
  }

  qmz::suite::SqliteConnection connection_;
  std::vector<std::string> texts_;
  std::vector<sqlite3_stmt*> statements_;
  size_t sink_ = 0;
};

// Order line k of the million-row suite (items 1..20000, batches B000001..B000010).
qmz::InventoryRequest OrderLine(int k) {
  char batch[16];
  std::snprintf(batch, sizeof batch, "B%06d", k % 10 + 1);
  return {static_cast<int>((static_cast<long>(k) * 7919) % 20000) + 1, batch, 0, 0, 0};
}

int PrintOrderLines(int lines) {
  for (int k = 0; k < lines; ++k) {
    const qmz::InventoryRequest line = OrderLine(k);
    // The million-row suite's inventory is closed, and the administrator sees every warehouse.
    const nlohmann::json record = {
        {"item", line.item_id},
        {"batch", line.text},
        {"statements",
         qmz::suite::AdaptWithOrder(qmz::ComposeBatchLookupSql(line, true, "")).statements}};
    std::printf("%s\n", record.dump().c_str());
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: call_cost DATABASE CALLS batch|aux|limit-batch|limit-aux|lines\n");
    return 2;
  }
  const int calls = std::max(1, std::atoi(argv[2]));
  const std::string operation = argv[3];
  if (operation == "lines") return PrintOrderLines(calls);
  qmz::OpenSuite(argv[1]);
  qmz::LogIn("administrator");
  // As a host does: its properties published, where the lookups keep what they asked once.
  qmz::Dictionary host;
  qmz::PublishHostProperties(qmz::CurrentProcessId(), &host);
  qmz::BaseList list;
  std::function<bool()> call;
  std::unique_ptr<Limit> limit;
  if (operation == "batch") {
    call = [&] { return list.GetBatch(1, "B2601", 0, 0, 0) != nullptr; };
  } else if (operation == "aux") {
    call = [&] { return list.GetAux(2, "Blue", 0, 0, 0) != nullptr; };
  } else if (operation == "limit-batch" || operation == "limit-aux") {
    const bool batch = operation == "limit-batch";
    const qmz::InventoryRequest query{batch ? 1 : 2, batch ? "B2601" : "Blue", 0, 0, 0};
    // The demo suite's inventory is closed, and the administrator sees every warehouse.
    limit = std::make_unique<Limit>(argv[1], batch ? qmz::ComposeBatchLookupSql(query, true, "")
                                                   : qmz::ComposeAuxLookupSql(query, true, ""));
    call = [&] { return limit->Run() > 0; };
  } else {
    std::fprintf(stderr, "call_cost: unknown operation %s\n", operation.c_str());
    return 2;
  }
  for (int i = 0; i < 100; ++i) call();
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < calls; ++i) {
    if (!call()) return 1;
  }
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  std::printf("%.4f\n", ms / calls);
  return 0;
}
