// What a host asks of the inventory, for a lookup or a picker alike, and the rule on virtual
// warehouses that every inventory query follows. Plain values; safe on any thread.
#pragma once

#include <cstdint>
#include <string>

namespace qmz {

struct InventoryRequest {
  int32_t item_id = 0;
  // The host's text: the batch number (GetBatch), the property name fragment (GetAux), or the
  // fragment a picker opens with (its strFilter).
  std::string text;
  int32_t stock_id = 0;  // 0: every warehouse
  int32_t aux_id = 0;    // 0: every auxiliary property
  int32_t class_type = 0;
};

// Virtual warehouses (t_stock.FTypeID 502, alias b) are left out for the class types of sales
// out (1020004) and of the picking list (1080001).
inline constexpr char kNoVirtualStocks[] = " and  b.FTypeID <> 502 ";
inline bool ExcludesVirtualStocks(int32_t class_type) {
  return class_type == 1020004 || class_type == 1080001;
}

// The request's warehouse and property, when given, as the lookups' conditions on alias a.
inline std::string StockAndAuxConditions(const InventoryRequest& request) {
  std::string sql;
  if (request.stock_id > 0) sql += " and a.FStockID=" + std::to_string(request.stock_id);
  if (request.aux_id > 0) sql += " and a.FAuxPropID=" + std::to_string(request.aux_id);
  return sql;
}

}  // namespace qmz
