#include "batch/show_batch.h"

#include <memory>

#include "batch/frm_stock.h"
#include "inventory/batch_tracking.h"

namespace qmz {

void ShowBatchPicker(const InventoryRequest& request, bool multi_select, ObjectPtr& result) {
  if (request.item_id <= 0) return;
  std::unique_ptr<PickerForm> form;
  if (IsBatchNoTracked(request.item_id)) {
    form = std::make_unique<frmSelectBatchNo>();
  } else {
    form = std::make_unique<frmStock>();
  }
  form->SetRequest(request);
  form->Batch = request.text;
  RunPicker(*form, multi_select, result);
}

}  // namespace qmz
