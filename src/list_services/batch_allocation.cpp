#include "list_services/batch_allocation.h"

#include <algorithm>
#include <cctype>
#include <numeric>

#include "platform/text.h"
#include "qmz/containers.h"

namespace qmz {

namespace {

// Below this a quantity left over is a rounding remainder, not a missing quantity.
constexpr double kNothing = 1e-9;

// Batch numbers compare as the suite's collation does, letters without regard to case.
bool BatchBefore(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) <
           std::tolower(static_cast<unsigned char>(y));
  });
}

}  // namespace

StockRow CurrentStockRow(const Recordset& list, const ExpiryRules& rules) {
  StockRow row;
  row.quantity = NullToDefault(list.Value("FQty"), 0).ToDouble();
  row.expiry = ExpiryOf(NullToDefault(list.Value("FISKFPeriod"), 0), list.Value("FPeriodDate"));
  row.batch = Trim(NullToDefault(list.Value("FBatchNo"), "").ToText());
  row.expired = IsExpired(rules, row.expiry);
  return row;
}

std::vector<StockRow> StockRowsOf(Recordset& list, const ExpiryRules& rules) {
  std::vector<StockRow> rows;
  for (list.MoveFirst(); !list.Eof(); list.MoveNext()) rows.push_back(CurrentStockRow(list, rules));
  return rows;
}

std::vector<size_t> FirstExpiryFirst(const std::vector<StockRow>& rows) {
  std::vector<size_t> order(rows.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&rows](size_t a, size_t b) {
    const StockRow& x = rows[a];
    const StockRow& y = rows[b];
    if (x.expiry.has_value() != y.expiry.has_value()) return x.expiry.has_value();
    if (x.expiry != y.expiry) return *x.expiry < *y.expiry;
    return BatchBefore(x.batch, y.batch);
  });
  return order;
}

double TakeFor(const StockRow& row, double missing, bool allow_expired) {
  if (row.expired && !allow_expired) return 0;
  return std::max(0.0, std::min(row.quantity, missing));
}

Allocation Allocate(const std::vector<StockRow>& rows, double required, bool allow_expired) {
  Allocation allocation;
  double missing = std::max(0.0, required);
  for (size_t i : FirstExpiryFirst(rows)) {
    if (missing <= kNothing) break;
    const double take = TakeFor(rows[i], missing, allow_expired);
    if (take <= 0) continue;
    allocation.takes.push_back({i, take});
    missing -= take;
  }
  allocation.missing = missing <= kNothing ? 0 : missing;
  return allocation;
}

}  // namespace qmz
