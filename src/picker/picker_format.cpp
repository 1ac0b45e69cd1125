#include "picker/picker_format.h"

#include "platform/number_format.h"
#include "platform/text.h"

namespace qmz {

std::string FormatField(const Variant& value, const std::string& pattern) {
  Variant number = NullToDefault(value, 0);
  if (number.IsText() && Trim(number.ToText()).empty()) number = 0;
  return FormatNumber(number.ToDouble(), pattern);
}

}  // namespace qmz
