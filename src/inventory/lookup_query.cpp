#include "inventory/lookup_query.h"

#include "inventory/batch_query.h"
#include "platform/text.h"

namespace qmz {

std::string ComposeBatchLookupSql(const InventoryRequest& query, bool closed,
                                  const std::string& auth_filter) {
  // The first picker's select list, joins and grouping (inventory/batch_query.h).
  std::string sql = BatchListHead(BatchPicker::kStock, closed);
  sql += " Where a.FitemID = " + std::to_string(query.item_id);
  if (ExcludesVirtualStocks(query.class_type)) sql += kNoVirtualStocks;
  sql += auth_filter;
  sql += " and a.FBatchNo='" + DoubleQuotes(query.text) + "'";
  sql += StockAndAuxConditions(query);
  sql += BatchListGrouping(closed);
  return sql;
}

}  // namespace qmz
