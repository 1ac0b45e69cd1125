#include "list_services/scanned_batch.h"

#include "list_services/gs1_label.h"
#include "login/host_props.h"
#include "qmz/error.h"

namespace qmz {

bool ScanningRequested() {
  return GetHostFlag("ScanGS1");
}

namespace {

// The item's GTIN as the host publishes it, as GTIN-14 ("" when none or not a GTIN).
std::string ItemGtin14() {
  const Variant published = GetHostProp("ItemGTIN");
  if (published.IsEmpty() || published.IsNull()) return "";
  std::string gtin = published.ToText();
  if (gtin.size() < 8 || gtin.size() > 14 ||
      gtin.find_first_not_of("0123456789") != std::string::npos) {
    throw Error("The host's ItemGTIN " + gtin + " is not a GTIN of 8 to 14 digits");
  }
  return std::string(14 - gtin.size(), '0') + gtin;
}

}  // namespace

std::optional<ScannedBatch> ReadScannedBatch(const std::string& text) {
  if (!ScanningRequested()) return std::nullopt;
  const Gs1Reading reading = ReadGs1Label(text);
  if (reading.kind == Gs1Reading::Kind::kNotALabel) return std::nullopt;
  if (reading.kind == Gs1Reading::Kind::kMalformed) throw Error(reading.error);
  const Gs1Label& label = reading.label;
  const std::string item_gtin = ItemGtin14();
  if (!item_gtin.empty() && !label.gtin.empty() && label.gtin != item_gtin) {
    throw Error("The label's GTIN " + label.gtin + " is not the item's GTIN " + item_gtin);
  }
  if (label.batch.empty()) throw Error("The label holds no batch");
  return ScannedBatch{label.batch, label.expiry ? FormatGs1Date(*label.expiry) : ""};
}

}  // namespace qmz
