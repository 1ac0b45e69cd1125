// A required quantity spread over an item's stock rows first-expiry-first: rows by expiry date,
// then batch number as the database collates it, rows without an expiry last, rows alike in
// the order listed; each row taken whole until the rest fits, the last row taking only the rest.
// Rows of no quantity are passed over, and expired rows unless expired stock is allowed.
// Quantities are exact decimals (platform/decimal.h): the takes add up to what was taken.
// Pure functions but the reading of a batch list's record (errors of the recordset pass); any
// thread.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "inventory/batch_expiry.h"
#include "platform/decimal.h"
#include "qmz/recordset.h"

namespace qmz {

struct StockRow {
  Decimal quantity;
  std::optional<Day> expiry;
  std::string batch;
  bool expired = false;
};

// The current record of a batch list (FQty, FISKFPeriod, FPeriodDate, FBatchNo) as a stock row.
StockRow CurrentStockRow(const Recordset& list, const ExpiryRules& rules);

// Whether row `a` comes before row `b` first-expiry-first (rows alike: neither).
bool ExpiresBefore(const StockRow& a, const StockRow& b);
// The rows' indexes first-expiry-first, rows alike in their order.
std::vector<size_t> FirstExpiryFirst(const std::vector<StockRow>& rows);

struct Allocation {
  struct Take {
    size_t row;  // index into the rows
    Decimal quantity;
  };
  std::vector<Take> takes;  // first-expiry-first
  Decimal missing;          // what the rows could not cover
};

// `required` above 0.
Allocation Allocate(const std::vector<StockRow>& rows, Decimal required, bool allow_expired);

// What a row takes when it joins a choice that still misses `missing`: as much as it holds, at
// most what is missing, nothing for an expired row unless allowed.
Decimal TakeFor(const StockRow& row, Decimal missing, bool allow_expired);

}  // namespace qmz
