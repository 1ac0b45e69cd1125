// Creating suite databases: the demo set and the large generated sets.
#include <cstdio>

#include "qmz/error.h"
#include "qmz/suite.h"
#include "suite/database.h"
#include "suite/demo_data.h"
#include "suite/inventory_schema.h"
#include "suite/sqlite_connection.h"
#include "suite/suite_seed.h"

namespace qmz {

namespace {

// A fresh file every time: a generated database never mixes with an old one.
void RemoveOldFile(const std::string& path) {
  if (suite::IsOdbcTarget(path)) {
    throw Error("A suite database is created as a SQLite file; on a server, create it there");
  }
  std::remove(path.c_str());
}

}  // namespace

void CreateDemoDatabase(const std::string& database_path) {
  RemoveOldFile(database_path);
  suite::SqliteConnection db(database_path, true);
  db.Exec(suite::InventorySchema());
  std::vector<int> tracked = suite::FillDemoData(db);
  suite::SeedSuiteTables(db, tracked);
}

void CreateLargeDatabase(const std::string& database_path, int32_t items, int32_t batches_per_item,
                         int32_t warehouses) {
  RemoveOldFile(database_path);
  suite::SqliteConnection db(database_path, true);
  db.Exec(suite::InventorySchema());
  suite::FillLargeData(db, items, batches_per_item, warehouses);
  suite::SeedSuiteTables(db, {});
}

}  // namespace qmz
