#include "inventory/batch_dates.h"

#include "platform/text.h"

namespace qmz {

namespace {

const char kNoDate[] = "1900-01-01";

}  // namespace

std::string BatchDateText(const Variant& date) {
  if (date.IsNull()) return std::string();
  std::string text = Trim(date.ToText());
  if (text.rfind(kNoDate, 0) == 0) {
    const std::string time = Trim(text.substr(sizeof(kNoDate) - 1));
    if (time.empty() || time.find_first_not_of("0:.T") == std::string::npos) return std::string();
  }
  return text;
}

std::string ShelfLifeText(const Variant& period) {
  if (period.IsNull()) return std::string();
  std::string text = Trim(period.ToText());
  double number = 0;
  if (ParseNumber(text, number) && number < 0) return std::string();
  return text;
}

}  // namespace qmz
