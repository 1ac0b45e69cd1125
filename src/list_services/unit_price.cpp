#include "list_services/unit_price.h"

#include "platform/number_format.h"

namespace qmz {

double UnitPrice(double quantity, double amount) {
  return quantity == 0 ? 0 : amount / quantity;
}

void SetLookupUnitPrice(Dictionary& row, bool closed) {
  if (closed || !row.Exists("Fprice")) return;
  const double quantity = LeadingNumber(row.Get("FQty").ToText());
  const double amount = LeadingNumber(row.Get("FAmount").ToText());
  row.Set("Fprice", Variant(UnitPrice(quantity, amount)).ToText());
}

}  // namespace qmz
