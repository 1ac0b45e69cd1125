// A required quantity spread over an item's stock rows first-expiry-first: rows by expiry date,
// then batch number, rows without an expiry last, rows alike in the order listed; each row
// taken whole until the rest fits, the last row taking only the rest. Rows of no quantity are
// passed over, and expired rows unless expired stock is allowed. Pure functions but the reading
// of a batch list's record (errors of the recordset pass); any thread.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "list_services/batch_expiry.h"
#include "qmz/recordset.h"

namespace qmz {

struct StockRow {
  double quantity = 0;
  std::optional<Day> expiry;
  std::string batch;
  bool expired = false;
};

// The current record of a batch list (FQty, FISKFPeriod, FPeriodDate, FBatchNo) as a stock row.
StockRow CurrentStockRow(const Recordset& list, const ExpiryRules& rules);
// Every record of a batch list, in its order (the list is left at its end).
std::vector<StockRow> StockRowsOf(Recordset& list, const ExpiryRules& rules);

// The rows' indexes first-expiry-first.
std::vector<size_t> FirstExpiryFirst(const std::vector<StockRow>& rows);

struct Allocation {
  struct Take {
    size_t row;  // index into the rows
    double quantity;
  };
  std::vector<Take> takes;  // first-expiry-first
  double missing = 0;       // what the rows could not cover
};

Allocation Allocate(const std::vector<StockRow>& rows, double required, bool allow_expired);

// What a row takes when it joins a choice that still misses `missing`: as much as it holds, at
// most what is missing, nothing for an expired row unless allowed.
double TakeFor(const StockRow& row, double missing, bool allow_expired);

}  // namespace qmz
