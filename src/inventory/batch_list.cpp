#include "inventory/batch_list.h"

#include <algorithm>
#include <numeric>

#include "list_services/middle_tier_query.h"

namespace qmz {

namespace {

// The records at `positions` (from 1) of `list`, in that order, as a recordset of their own.
RecordsetPtr Copied(const Recordset& list, const std::vector<int32_t>& positions) {
  std::vector<std::string> fields;
  for (int32_t i = 0; i < list.FieldCount(); ++i) fields.push_back(list.FieldName(i));
  auto copy = std::make_shared<Recordset>(fields);
  copy->SetSource(list.Source());
  copy->SetConnected(list.Connected());
  for (int32_t position : positions) copy->AddRecord(list.RecordValues(position));
  return copy;
}

}  // namespace

BatchList ReadBatchList(BatchPicker picker, BatchQueryInput input, AuthContext context,
                        const ExpiryRules& rules) {
  input.auth_filter = StockAuthFilterIn(context, "b");
  RecordsetPtr read = RunListOnClassInfo(ComposeBatchListQuery(picker, input));
  BatchList list;
  std::vector<int32_t> shown;  // positions of the rows kept
  ForEachRecord(*read, [&](int32_t position) {
    StockRow row = CurrentStockRow(*read, rules);
    if (rules.hide_expired && row.expired) {
      list.hidden.push_back(std::move(row));
    } else {
      list.rows.push_back(std::move(row));
      shown.push_back(position);
    }
    return true;
  });
  const bool ordered = rules.fefo && picker == BatchPicker::kStock;
  if (ordered) {
    const std::vector<size_t> order = FirstExpiryFirst(list.rows);
    std::vector<StockRow> rows;
    std::vector<int32_t> positions;
    for (size_t i : order) {
      rows.push_back(list.rows[i]);
      positions.push_back(shown[i]);
    }
    list.rows = std::move(rows);
    shown = std::move(positions);
  }
  list.records = list.hidden.empty() && !ordered ? read : Copied(*read, shown);
  if (list.records->RecordCount() > 0) list.records->MoveFirst();
  return list;
}

}  // namespace qmz
