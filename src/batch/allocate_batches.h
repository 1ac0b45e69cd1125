// The allocation behind BaseList.AllocateBatches: the item's batch list as the multi-row batch
// picker of the item reads it (frmStock's or frmSelectBatchNo's, without a fragment or the zero
// rows), a quantity spread over it first-expiry-first as that picker preselects it
// (list_services/batch_allocation.h), expired rows left alone unless the host sets AllowExpired.
//
// The answer is a Vector of the rows taken, each a Dictionary of the list's fields as texts
// with Fprice as the lookups give it (list_services/unit_price.h) and two numbers: FTakeQty,
// what the row gives, and FMissingQty, what the whole allocation leaves missing (the same in
// every row). Rows that can give nothing answer an empty Vector.
// Errors (the host's malformed expiry properties, the middle tier) rise to the caller's guard.
#pragma once

#include "list_services/inventory_request.h"
#include "qmz/variant.h"

namespace qmz {

// `request.text` is not read.
ObjectPtr AllocateBatchesFor(const InventoryRequest& request, double quantity);

}  // namespace qmz
