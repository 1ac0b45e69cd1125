// The SQL of the dialog-free inventory lookups behind BaseList.GetBatch (and, through
// inventory/aux_query.h, BaseList.GetAux)
// (FetchFirstRow, list_services/middle_tier_query.h, runs it).
//
// Pure functions of their request: `closed` is whether the inventory is closed for initial entry
// (the running balance, else the opening balance), `auth_filter` the warehouse authorisation
// condition on alias "b" (" And ..." or empty). Texts placed in literals have their quotes
// doubled.
#pragma once

#include <cstdint>
#include <string>

#include "inventory/aux_query.h"  // GetAux's: ComposeAuxLookupSql
#include "inventory/inventory_request.h"

namespace qmz {

std::string ComposeBatchLookupSql(const InventoryRequest& query, bool closed,
                                  const std::string& auth_filter);

}  // namespace qmz
