#include "inventory/batch_allocation.h"

#include <algorithm>
#include <numeric>

#include "platform/text.h"
#include "qmz/containers.h"

namespace qmz {

StockRow CurrentStockRow(const Recordset& list, const ExpiryRules& rules) {
  StockRow row;
  row.quantity = Decimal::FromDouble(NullToDefault(list.Value("FQty"), 0).ToDouble());
  row.expiry = ExpiryOf(NullToDefault(list.Value("FISKFPeriod"), 0), list.Value("FPeriodDate"));
  row.batch = Trim(NullToDefault(list.Value("FBatchNo"), "").ToText());
  row.expired = IsExpired(rules, row.expiry);
  return row;
}

bool ExpiresBefore(const StockRow& a, const StockRow& b) {
  if (a.expiry.has_value() != b.expiry.has_value()) return a.expiry.has_value();
  if (a.expiry != b.expiry) return *a.expiry < *b.expiry;
  return CompareCollated(a.batch, b.batch) < 0;
}

std::vector<size_t> FirstExpiryFirst(const std::vector<StockRow>& rows) {
  std::vector<size_t> order(rows.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&rows](size_t a, size_t b) { return ExpiresBefore(rows[a], rows[b]); });
  return order;
}

Decimal TakeFor(const StockRow& row, Decimal missing, bool allow_expired) {
  if (row.expired && !allow_expired) return {};
  return std::max(Decimal(), std::min(row.quantity, missing));
}

Allocation Allocate(const std::vector<StockRow>& rows, Decimal required, bool allow_expired) {
  Allocation allocation;
  Decimal missing = std::max(Decimal(), required);
  for (size_t i : FirstExpiryFirst(rows)) {
    if (missing.IsZero()) break;
    const Decimal take = TakeFor(rows[i], missing, allow_expired);
    if (take.IsZero()) continue;
    allocation.takes.push_back({i, take});
    missing -= take;
  }
  allocation.missing = missing;
  return allocation;
}

}  // namespace qmz
