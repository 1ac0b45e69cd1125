#include "list_services/saved_settings.h"

#include <cmath>

#include "platform/number_format.h"
#include "qmz/error.h"
#include "qmz/variant.h"

namespace qmz {

float SavedWidth(const std::string& text, float fallback) {
  double width = 0;
  if (!ParseNumber(text, width) || !std::isfinite(width)) return fallback;
  return width >= 0 && width <= kMaxSavedWidth ? static_cast<float>(width) : fallback;
}

int16_t SavedCheckState(const std::string& text) {
  try {
    return LeadingNumber(text) == 1 ? 1 : 0;
  } catch (const Error&) {  // "5e500": a number too large to be a state
    return 0;
  }
}

}  // namespace qmz
