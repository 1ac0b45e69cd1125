#include "component/allocate_batches.h"

#include "inventory/batch_list.h"
#include "inventory/batch_tracking.h"
#include "inventory/unit_price.h"
#include "list_services/row_to_dictionary.h"
#include "login/host_props.h"
#include "login/installation.h"
#include "qmz/containers.h"

namespace qmz {

ObjectPtr AllocateBatchesFor(const InventoryRequest& request, Decimal quantity) {
  const ExpiryRules rules = ReadExpiryRules();
  BatchQueryInput input;
  input.closed = IsICClosed();
  input.item_id = request.item_id;
  input.class_type = request.class_type;
  input.stock_id = request.stock_id;
  input.aux_id = request.aux_id;
  const BatchPicker picker =
      IsBatchNoTracked(request.item_id) ? BatchPicker::kSelectBatchNo : BatchPicker::kStock;
  const BatchList list = ReadBatchList(picker, input, AuthContext::kNoDialog, rules);
  const Allocation allocation = Allocate(list.rows, quantity, rules.allow_expired);
  auto taken = std::make_shared<Vector>();
  if (allocation.takes.empty()) return taken;
  const int32_t quantity_digits = DigitCount(GetSystemProfile("QuantityDigitCount", "IC", ""));
  const int32_t price_digits = DigitCount(GetSystemProfile("PriceDigitCount", "IC", ""));
  for (const Allocation::Take& take : allocation.takes) {
    list.records->SetAbsolutePosition(static_cast<int32_t>(take.row) + 1);
    auto row = RowToDictionary(*list.records);
    const RowPrices prices =
        ChosenRowPrices(NullToDefault(list.records->Value("FQty"), 0).ToDouble(),
                        NullToDefault(list.records->Value("FAmount"), 0).ToDouble(), input.closed,
                        quantity_digits, price_digits);
    row->Set("Fprice", prices.price);
    row->Set("FAmount", prices.amount);
    row->Set("FTakeQty", take.quantity.ToDouble());
    row->Set("FMissingQty", allocation.missing.ToDouble());
    taken->Add(row);
  }
  return taken;
}

}  // namespace qmz
