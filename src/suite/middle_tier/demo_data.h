// Deterministic data of the suite: the small demo set, and large sets for benchmarks.
//
// Demo set (ids fixed, documented in docs/suite.md): items 1 (screws, batches B2601 to B2604 and
// A'B), 2 (paint, auxiliary properties Red, Blue, Dark Red), 3 (O'Neil washer, no batches),
// 4 (serial-numbered part, batches tracked by number); warehouses 1 北京仓 (users 1,3),
// 2 上海仓 (users 1,12), 3 虚拟仓 (type 502), 4 广州仓 (nobody). Both inventory tables hold the
// same rows; ICInvInitial carries unit prices and amounts, t_cc_inventory balances.
#pragma once

#include <cstdint>
#include <vector>

#include "suite/sqlite/sqlite_connection.h"

namespace qmz::suite {

// Fills the demo set; returns the items whose batches are tracked by number.
std::vector<int> FillDemoData(SqliteConnection& db);

// items × batches_per_item × warehouses inventory rows in each inventory table, plus the master
// data behind them (one unit, three auxiliary properties). Same sizes, same rows.
void FillLargeData(SqliteConnection& db, int32_t items, int32_t batches_per_item,
                   int32_t warehouses);

}  // namespace qmz::suite
