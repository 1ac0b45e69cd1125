// Fills the suite's own tables of a new database: the account, the demo users and their rights,
// the item classes under data authorisation and the system profile.
#pragma once

#include <vector>

#include "suite/sqlite/sqlite_connection.h"

namespace qmz::suite {

// Creates the tables and inserts the users administrator (1, every right), guest (2, none)
// and clerk (3, base-data query and prices, under data authorisation). Items listed in
// `tracked_items` have their batches tracked by number. Error on a database failure.
void SeedSuiteTables(SqliteConnection& db, const std::vector<int>& tracked_items);

}  // namespace qmz::suite
