// The unit price of an inventory row: the one rule every picker and lookup follows.
//
// A row of quantity 0 has the unit price 0; any other row FAmount / FQty. The price the queries
// deliver is never shown or handed on for a row of quantity 0: with the inventory open for
// initial entry it is the sum of the opening rows' unit prices, no unit price at all.
//
// What a host receives as Fprice:
//  - from a picker: the price its row shows (the pickers of a closed inventory work it out when
//    the dialog is activated; the first batch picker shows the query's 0 until then);
//  - from GetBatch and GetAux, inventory open: UnitPrice of the row;
//  - from GetBatch and GetAux, inventory closed: the query's 0, as the closed balance has no
//    stored price.
// Pure functions; safe on any thread.
#pragma once

#include <string>

#include "qmz/containers.h"

namespace qmz {

double UnitPrice(double quantity, double amount);

// A looked-up row's Fprice as above (`closed`: the inventory is closed); its quantity and amount
// read as numbers from their texts. The SQL sent stays as it is.
void SetLookupUnitPrice(Dictionary& row, bool closed);

}  // namespace qmz
