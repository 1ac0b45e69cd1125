// The allocation behind BaseList.AllocateBatches: the item's batch list read as its multi-row
// batch picker reads it (inventory/batch_list.h: frmStock's or frmSelectBatchNo's query without a
// fragment or the zero rows, HideExpired and BatchOrder alike), data authorisation always
// applied as in the lookups, and the quantity spread over it first-expiry-first by the rule that
// picker preselects with (inventory/batch_allocation.h: the same rows when it opens without a
// fragment and under the same authorisation), expired rows left alone unless the host sets
// AllowExpired.
//
// The answer is a Vector of the rows taken, each the Dictionary the picker returns for the row
// (the list's fields as texts, Fprice and FAmount as the numbers its cells show:
// inventory/unit_price.h) with two numbers: FTakeQty, what the row gives, and FMissingQty, what
// the whole allocation leaves missing (the same in every row). Rows that can give nothing, an
// empty list among them, answer an empty Vector.
// Errors (the host's malformed expiry properties, the middle tier) rise to the caller's guard.
#pragma once

#include "inventory/inventory_request.h"
#include "platform/decimal.h"
#include "qmz/variant.h"

namespace qmz {

// `request.text` is not read; `quantity` is above 0.
ObjectPtr AllocateBatchesFor(const InventoryRequest& request, Decimal quantity);

}  // namespace qmz
