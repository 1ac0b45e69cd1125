#include "list_services/saved_settings.h"

#include <cmath>

#include "platform/number_format.h"
#include "qmz/variant.h"

namespace qmz {

float SavedWidth(const std::string& text, float fallback) {
  double width = 0;
  if (!ParseNumber(text, width) || !std::isfinite(width)) return fallback;
  return width >= 0 && width <= kMaxSavedWidth ? static_cast<float>(width) : fallback;
}

int16_t SavedCheckState(const std::string& text) {
  return LeadingNumber(text) == 1 ? 1 : 0;
}

}  // namespace qmz
