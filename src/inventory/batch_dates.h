// How every list shows a batch's production date and shelf life, so that the base-data list and
// the batch pickers show the same stored values alike. The suite stores 1900-01-01 where a batch
// has no date, and a shelf life below 0 where it has none (such a batch has no expiry date).
// Pure functions.
#pragma once

#include <string>

#include "qmz/variant.h"

namespace qmz {

// A batch date's text: empty for null, a blank text and 1900-01-01 (with or without a time),
// else the stored text.
std::string BatchDateText(const Variant& date);

// A shelf life's text: empty for null and below 0, else the stored number's text.
std::string ShelfLifeText(const Variant& period);

}  // namespace qmz
