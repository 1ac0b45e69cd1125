#include "picker/picker_format.h"

#include "platform/number_format.h"
#include "platform/text.h"
#include "qmz/containers.h"

namespace qmz {

namespace {

std::string Zeros(int32_t digits) {
  return std::string(static_cast<size_t>(digits), '0');
}

}  // namespace

std::string GroupedPattern(int32_t digits) {
  return digits > 0 ? "###,##0." + Zeros(digits) : std::string("###,##0");
}

std::string PlainPattern(int32_t digits) {
  return digits > 0 ? "0." + Zeros(digits) : std::string("#0");
}

std::string FormatField(const Variant& value, const std::string& pattern) {
  Variant number = NullToDefault(value, 0);
  if (number.IsText() && Trim(number.ToText()).empty()) number = 0;
  return FormatNumber(number.ToDouble(), pattern);
}

double CellNumber(const std::string& text) {
  return LeadingNumber(ReplaceAll(text, ",", ""));
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

int32_t DigitCount(const std::string& text) {
  return Trim(text).empty() ? 0 : Variant(text).ToInt32();
}

}  // namespace qmz
