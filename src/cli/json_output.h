// JSON forms of the component's results for the command's standard output: null for no object,
// a Dictionary as an object with its keys in order, a Vector as an array, a Recordset as an
// array of its records (the current view, fields in order). Values keep their kinds.
#pragma once

#include <nlohmann/json.hpp>

#include "qmz/variant.h"

namespace qmz::cli {

using Json = nlohmann::ordered_json;

Json ToJson(const Variant& value);

}  // namespace qmz::cli
