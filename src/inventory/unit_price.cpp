#include "inventory/unit_price.h"

#include "platform/number_format.h"
#include "platform/text.h"

namespace qmz {

namespace {

std::string Zeros(int32_t digits) {
  return std::string(static_cast<size_t>(digits), '0');
}

}  // namespace

double UnitPrice(double quantity, double amount) {
  return quantity == 0 ? 0 : amount / quantity;
}

void SetLookupUnitPrice(Dictionary& row, bool closed) {
  if (closed || !row.Exists("Fprice")) return;
  const double quantity = LeadingNumber(row.Get("FQty").ToText());
  const double amount = LeadingNumber(row.Get("FAmount").ToText());
  row.Set("Fprice", Variant(UnitPrice(quantity, amount)).ToText());
}

std::string GroupedPattern(int32_t digits) {
  return digits > 0 ? "###,##0." + Zeros(digits) : std::string("###,##0");
}

std::string PlainPattern(int32_t digits) {
  return digits > 0 ? "0." + Zeros(digits) : std::string("#0");
}

double CellNumber(const std::string& text) {
  return LeadingNumber(ReplaceAll(text, ",", ""));
}

int32_t DigitCount(const std::string& text) {
  return Trim(text).empty() ? 0 : Variant(text).ToInt32();
}

RowPrices ChosenRowPrices(double quantity, double amount, bool closed, int32_t quantity_digits,
                          int32_t price_digits) {
  const double shown_amount = CellNumber(FormatNumber(amount, "###,##0.00"));
  if (quantity == 0) return {0, shown_amount};
  if (!closed) {
    return {CellNumber(FormatNumber(amount / quantity, GroupedPattern(price_digits))),
            shown_amount};
  }
  const double shown_quantity = CellNumber(FormatNumber(quantity, GroupedPattern(quantity_digits)));
  if (shown_quantity == 0) return {0, shown_amount};
  return {CellNumber(FormatNumber(shown_amount / shown_quantity, PlainPattern(price_digits))),
          shown_amount};
}

}  // namespace qmz
