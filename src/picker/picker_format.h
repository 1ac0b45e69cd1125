// Number texts of the pickers' cells (the patterns by digit count are inventory/unit_price.h's).
// Pure functions.
#pragma once

#include <cstdint>
#include <string>

#include "inventory/unit_price.h"
#include "qmz/variant.h"

namespace qmz {

// A number of a record formatted with a pattern; null (or empty) counts as 0.
std::string FormatField(const Variant& value, const std::string& pattern);

}  // namespace qmz
