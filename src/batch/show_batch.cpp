#include "batch/show_batch.h"

#include <memory>

#include "batch/frm_stock.h"
#include "login/login_context.h"
#include "qmz/components.h"

namespace qmz {

bool IsBatchNoTracked(int32_t item_id) {
  try {
    auto item = CreateComponent<ItemInfo>(progid::kItemInfo);
    return item->ISBatchManagerByNoTrack80(GetPropsString(), item_id).ToBool();
  } catch (const std::exception&) {
    return false;
  }
}

ObjectPtr ShowBatchPicker(const PickerRequest& request, bool multi_select) {
  if (request.item_id <= 0) return nullptr;
  std::unique_ptr<PickerForm> form;
  if (IsBatchNoTracked(request.item_id)) {
    form = std::make_unique<frmSelectBatchNo>();
  } else {
    form = std::make_unique<frmStock>();
  }
  form->SetRequest(request);
  form->Batch = request.filter;
  return RunPicker(*form, multi_select);
}

}  // namespace qmz
