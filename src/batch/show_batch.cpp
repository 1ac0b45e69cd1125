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

ObjectPtr ShowBatchPicker(const BatchPickerRequest& request, bool multi_select) {
  if (request.item_id <= 0) return nullptr;
  std::unique_ptr<PickerForm> form;
  if (IsBatchNoTracked(request.item_id)) {
    form = std::make_unique<frmSelectBatchNo>();
  } else {
    form = std::make_unique<frmStock>();
  }
  form->ClassTypeID = request.class_type;
  form->Filter = request.filter;
  form->Batch = request.filter;
  form->ItemID = request.item_id;
  form->StockID = request.stock_id;
  form->AuxID = request.aux_id;
  if (multi_select) form->SetMultiSelect(1);
  form->RunLoad();
  form->ShowModal();
  ObjectPtr result;
  if (form->OK) {
    if (multi_select) {
      result = form->RtnVect();
    } else {
      result = form->RtnDict();
    }
  }
  form->RunUnload();
  return result;
}

}  // namespace qmz
