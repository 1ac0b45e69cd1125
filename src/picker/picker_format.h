// Number texts of the pickers: the quantity and price patterns by digit count, and numbers read
// back from grid cells. Pure functions.
#pragma once

#include <cstdint>
#include <string>

#include "qmz/variant.h"

namespace qmz {

// "###,##0" for no digits, else "###,##0." and that many "0" (quantities, and prices in rows).
std::string GroupedPattern(int32_t digits);
// "#0" for no digits, else "0." and that many "0" (unit prices written back into the grid).
std::string PlainPattern(int32_t digits);
// A number of a record formatted with a pattern; null (or empty) counts as 0.
std::string FormatField(const Variant& value, const std::string& pattern);
// A cell's text as a number: every "," removed, then the leading number (0 when none).
double CellNumber(const std::string& text);
// The unit price and amount a batch picker returns for a chosen row: the numbers its cells show
// once the dialog is active. The amount as "###,##0.00" shows it; the price 0 for a row of no
// quantity, else the amount over the quantity: with the inventory closed the shown amount over
// the shown quantity in the plain pattern (the recomputation), open the exact quotient in the
// grouped pattern.
struct RowPrices {
  double price;
  double amount;
};
RowPrices ChosenRowPrices(double quantity, double amount, bool closed, int32_t quantity_digits,
                          int32_t price_digits);
// The digit count of a system profile text, as the pickers read it (an empty text is 0).
int32_t DigitCount(const std::string& text);

}  // namespace qmz
