// Whether an item's batches are tracked by number (frmSelectBatchNo) or by stock
// (frmStock): what the item component says. Runs on the caller's thread.
#pragma once

#include <cstdint>

namespace qmz {

// False when the item component cannot be created or its call fails.
bool IsBatchNoTracked(int32_t item_id);

}  // namespace qmz
