// The unit price of an inventory row (UnitPrice: what the pickers show and the lookups of an
// open inventory answer), and the prices a picker hands on for a chosen row as its cells show
// them (ChosenRowPrices, which AllocateBatches answers too).
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

#include <cstdint>
#include <optional>
#include <string>

#include "qmz/containers.h"

namespace qmz {

double UnitPrice(double quantity, double amount);

// A looked-up row's Fprice as above (`closed`: the inventory is closed); its quantity and amount
// read as numbers from their texts. The SQL sent stays as it is.
void SetLookupUnitPrice(Dictionary& row, bool closed);

// The pickers' number patterns by digit count: "###,##0" for no digits, else "###,##0." and that
// many "0" (quantities, and prices in rows); "#0" for no digits, else "0." and that many "0"
// (unit prices written back into the grid).
std::string GroupedPattern(int32_t digits);
std::string PlainPattern(int32_t digits);
// A cell's text as a number: every "," removed, then the leading number (0 when none).
double CellNumber(const std::string& text);
// The digit count of a system profile text, as the pickers read it (an empty text is 0).
int32_t DigitCount(const std::string& text);

// The unit price a picker of a closed inventory shows in a row: the amount over the quantity as
// their cells show them, in the plain pattern; nullopt for a row whose quantity cell reads 0.
std::optional<std::string> RecomputedPriceCell(const std::string& quantity_cell,
                                               const std::string& amount_cell,
                                               int32_t price_digits);

// The unit price and amount a batch picker returns for a chosen row: the numbers its cells show
// once the dialog is active. The amount as "###,##0.00" shows it; the price 0 for a row of no
// quantity, else the amount over the quantity: with the inventory closed the shown amount over
// the shown quantity (RecomputedPriceCell), open the exact quotient in the
// grouped pattern.
struct RowPrices {
  double price;
  double amount;
};
RowPrices ChosenRowPrices(double quantity, double amount, bool closed, int32_t quantity_digits,
                          int32_t price_digits);

}  // namespace qmz
