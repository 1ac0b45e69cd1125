// The SQL of the dialog-free inventory lookups behind BaseList.GetBatch and BaseList.GetAux
// (FetchFirstRow, list_services/middle_tier_query.h, runs it).
//
// The composers read the inventory-closed flag from the host properties and the warehouse
// authorisation condition (alias "b") from the login context; failures rise to the caller.
#pragma once

#include <cstdint>
#include <string>

#include "qmz/containers.h"

namespace qmz {

struct InventoryQuery {
  int32_t item_id = 0;
  std::string text;  // batch number (GetBatch) or aux name fragment (GetAux)
  int32_t stock_id = 0;
  int32_t aux_id = 0;
  int32_t class_type = 0;
};

std::string ComposeBatchLookupSql(const InventoryQuery& query);
std::string ComposeAuxLookupSql(const InventoryQuery& query);

}  // namespace qmz
