#include "inventory/scanned_batch.h"

#include "inventory/gs1_label.h"
#include "login/host_props.h"
#include "platform/text.h"
#include "qmz/containers.h"
#include "qmz/error.h"

namespace qmz {

bool ScanningRequested() {
  return GetHostFlag("ScanGS1");
}

namespace {

// The item's GTIN as the host registers it, as GTIN-14; "" when none is set.
std::string ItemGtin14() {
  const Variant published = GetHostProp("ItemGTIN");
  if (published.IsEmpty() || published.IsNull()) return "";
  std::string gtin;
  try {
    gtin = Trim(published.ToText());
  } catch (const Error&) {
    throw Error("本商品登记的条码不是文字，无法核对标签的商品条码");
  }
  if (gtin.empty()) return "";
  if (gtin.size() < 8 || gtin.size() > 14 ||
      gtin.find_first_not_of("0123456789") != std::string::npos) {
    throw Error("本商品登记的条码 " + gtin + " 不是 8 到 14 位数字，无法核对标签的商品条码");
  }
  if (!HasGs1CheckDigit(gtin)) {
    throw Error("本商品登记的条码 " + gtin + " 校验位错误，无法核对标签的商品条码");
  }
  return std::string(14 - gtin.size(), '0') + gtin;
}

Day DayOfLabel(const Gs1Date& date) {
  return *IsoDay(FormatGs1Date(date));
}

}  // namespace

std::string ScannedBatch::NumberFor(bool tracked_by_number) const {
  if (tracked_by_number && !serial.empty()) return serial;
  if (!batch.empty()) return batch;
  throw Error(tracked_by_number ? "标签上没有序列号(21)或批号(10)" : "标签上没有批号(10)");
}

std::optional<ScannedBatch> ReadScannedBatch(const std::string& text) {
  if (!ScanningRequested()) return std::nullopt;
  const Gs1Reading reading = ReadGs1Label(text);
  if (reading.kind == Gs1Reading::Kind::kNotALabel) return std::nullopt;
  if (reading.kind == Gs1Reading::Kind::kMalformed) throw Error(reading.error);
  const Gs1Label& label = reading.label;
  const std::string item_gtin = ItemGtin14();
  if (!item_gtin.empty() && !label.gtin.empty() && label.gtin != item_gtin) {
    throw Error("标签的商品条码 " + label.gtin + " 不是本商品的条码 " + item_gtin);
  }
  ScannedBatch scanned{text, label.batch, label.serial, std::nullopt};
  if (label.expiry) scanned.expiry = DayOfLabel(*label.expiry);
  return scanned;
}

bool SameBatch(std::string_view a, std::string_view b) {
  return CompareCollated(a, b) == 0;
}

int32_t FindScannedRecord(Recordset& list, const std::string& number, std::optional<Day> expiry) {
  int32_t first = 0;
  int32_t found = 0;
  ForEachRecord(list, [&](int32_t position) {
    if (!SameBatch(NullToDefault(list.Value("FBatchNo"), "").ToText(), number)) return true;
    if (first == 0) first = position;
    if (expiry && ExpiryOf(NullToDefault(list.Value("FISKFPeriod"), 0),
                           list.Value("FPeriodDate")) == expiry) {
      found = position;
      return false;
    }
    return true;
  });
  return found != 0 ? found : first;
}

}  // namespace qmz
