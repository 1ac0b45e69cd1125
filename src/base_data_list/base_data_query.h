// The batch inventory queries of the base-data list (item class 18) and the row filter that
// finds the record behind a chosen grid row again. Pure text composition; the caller supplies
// the warehouse authorisation condition (empty, or " And " and a condition).
//
// Texts placed inside a quoted SQL literal have every single quote doubled; the host's Filter
// and FilterItem are SQL conditions and go in unchanged.
#pragma once

#include <string>

namespace qmz {

// The list query: every batch in stock, or those whose number holds `number` (when it is not
// blank), narrowed by `filter_item` (when not blank).
std::string ComposeBaseDataQuery(const std::string& number, const std::string& filter_item,
                                 const std::string& auth_filter);

// The inventory rows of one batch: `batch` matched exactly (when not blank), the host's
// `filter` and the `row_filter` of the chosen row (each when not blank).
std::string ComposeBatchRowsQuery(const std::string& batch, const std::string& filter,
                                  const std::string& row_filter, const std::string& auth_filter);

// "FStockID=<stock> AND FKFPeriod=<period>[ AND FKFDate='<date>']" from the chosen row's
// warehouse id and production date cells and its record's shelf-life period (whose cell is empty
// below 0), each trimmed; a period below 0 with an empty date stands for the date "1900-01-01".
std::string ReturnRowFilter(const std::string& stock_cell, const std::string& period_cell,
                            const std::string& date_cell);

}  // namespace qmz
