// Creating suite databases: the demo set and the large generated sets.
#include <cstdio>
#include <functional>

#include "qmz/error.h"
#include "qmz/suite.h"
#include "suite/database.h"
#include "suite/middle_tier/demo_data.h"
#include "suite/middle_tier/inventory_schema.h"
#include "suite/middle_tier/suite_seed.h"
#include "suite/server/server_suite.h"
#include "suite/sqlite/sqlite_connection.h"

namespace qmz {

namespace {

// Builds a suite with `fill` in a new SQLite file, or in memory and then copied to a server.
void CreateSuite(const std::string& target,
                 const std::function<void(suite::SqliteConnection&)>& fill) {
  if (suite::IsOdbcTarget(target)) {
    auto server = suite::OpenDatabase(target);
    suite::SqliteConnection built(":memory:", true);
    fill(built);
    suite::CopySuiteToServer(built, *server);
    return;
  }
  // A fresh file every time: a generated database never mixes with an old one.
  std::remove(target.c_str());
  suite::SqliteConnection db(target, true);
  fill(db);
}

}  // namespace

void CreateDemoDatabase(const std::string& database_target) {
  CreateSuite(database_target, [](suite::SqliteConnection& db) {
    db.Exec(suite::InventorySchema());
    std::vector<int> tracked = suite::FillDemoData(db);
    suite::SeedSuiteTables(db, tracked);
  });
}

void CreateLargeDatabase(const std::string& database_target, int32_t items,
                         int32_t batches_per_item, int32_t warehouses) {
  CreateSuite(database_target, [&](suite::SqliteConnection& db) {
    db.Exec(suite::InventorySchema());
    suite::FillLargeData(db, items, batches_per_item, warehouses);
    suite::SeedSuiteTables(db, {});
  });
}

}  // namespace qmz
