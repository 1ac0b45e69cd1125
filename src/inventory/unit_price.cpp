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

std::optional<std::string> RecomputedPriceCell(const std::string& quantity_cell,
                                               const std::string& amount_cell,
                                               int32_t price_digits) {
  const double quantity = CellNumber(quantity_cell);
  if (quantity == 0) return std::nullopt;
  return FormatNumber(CellNumber(amount_cell) / quantity, PlainPattern(price_digits));
}

RowPrices ChosenRowPrices(double quantity, double amount, bool closed, int32_t quantity_digits,
                          int32_t price_digits) {
  const double shown_amount = CellNumber(FormatNumber(amount, "###,##0.00"));
  if (quantity == 0) return {0, shown_amount};
  if (!closed) {
    return {CellNumber(FormatNumber(amount / quantity, GroupedPattern(price_digits))),
            shown_amount};
  }
  const std::optional<std::string> price =
      RecomputedPriceCell(FormatNumber(quantity, GroupedPattern(quantity_digits)),
                          FormatNumber(amount, "###,##0.00"), price_digits);
  return {price ? CellNumber(*price) : 0, shown_amount};
}

}  // namespace qmz
