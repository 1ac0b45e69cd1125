#include "batch/allocate_batches.h"

#include "batch/batch_query.h"
#include "batch/show_batch.h"
#include "list_services/batch_allocation.h"
#include "list_services/middle_tier_query.h"
#include "list_services/row_to_dictionary.h"
#include "list_services/unit_price.h"
#include "login/authorization.h"
#include "login/host_props.h"
#include "qmz/containers.h"

namespace qmz {

ObjectPtr AllocateBatchesFor(const InventoryRequest& request, double quantity) {
  const ExpiryRules rules = ReadExpiryRules();
  BatchQueryInput input;
  input.closed = IsICClosed();
  input.item_id = request.item_id;
  input.class_type = request.class_type;
  input.stock_id = request.stock_id;
  input.aux_id = request.aux_id;
  if (GetAppType() == 4) input.auth_filter = GetStockAuthFilter("b");
  const BatchPicker picker =
      IsBatchNoTracked(request.item_id) ? BatchPicker::kSelectBatchNo : BatchPicker::kStock;
  RecordsetPtr list = RunListOnClassInfo(ComposeBatchListQuery(picker, input));
  const Allocation allocation = Allocate(StockRowsOf(*list, rules), quantity, rules.allow_expired);
  auto taken = std::make_shared<Vector>();
  for (const Allocation::Take& take : allocation.takes) {
    list->MoveFirst();
    list->Move(static_cast<int32_t>(take.row));
    auto row = RowToDictionary(*list);
    SetLookupUnitPrice(*row, input.closed);
    row->Set("FTakeQty", take.quantity);
    row->Set("FMissingQty", allocation.missing);
    taken->Add(row);
  }
  return taken;
}

}  // namespace qmz
