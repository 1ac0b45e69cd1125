// The batch list query of the two batch pickers: the stock of one item summed per batch,
// warehouse and auxiliary property, from the running balance once the inventory is closed and
// from the opening balance before. There is no order by: the rows come as the database groups
// them, and inventory/batch_list.h orders them where the host asks. Pure text composition; every
// text placed in a LIKE pattern has its single quotes doubled.
#pragma once

#include <cstdint>
#include <string>

namespace qmz {

enum class BatchPicker {
  kStock,          // frmStock: Filter and Batch patterns, the 1020004 exclusion twice
  kSelectBatchNo,  // frmSelectBatchNo: its own heads ('0' as FBatchNoIndex), the box only
};

struct BatchQueryInput {
  bool closed = true;  // the inventory is closed for initial entry
  int32_t item_id = 0;
  int32_t class_type = 0;
  std::string filter;
  std::string batch;
  int32_t stock_id = 0;
  int32_t aux_id = 0;
  bool show_zero = false;   // chkShowZero ticked
  std::string box_text;     // txtBatchNo
  std::string auth_filter;  // " And ..." or empty (inventory/batch_list.h decides)
};

std::string ComposeBatchListQuery(BatchPicker picker, const BatchQueryInput& input);

// The query's select list and joins, and its grouping, which GetBatch's lookup shares with the
// first picker.
std::string BatchListHead(BatchPicker picker, bool closed);
std::string BatchListGrouping(bool closed);

}  // namespace qmz
