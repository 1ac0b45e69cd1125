// The batch picker entry points behind BaseList.ShowBatch and ShowBatchForMultiSelBatchNo: ask
// how the item's batches are tracked, open frmStock or frmSelectBatchNo with the parameters,
// and take the chosen row (RtnDict) or rows (RtnVect). Failures rise to the caller's guard.
#pragma once

#include <cstdint>
#include <string>

#include "qmz/variant.h"

namespace qmz {

struct InventoryRequest;

// `result` is set as in RunPicker.
void ShowBatchPicker(const InventoryRequest& request, bool multi_select, ObjectPtr& result);

}  // namespace qmz
