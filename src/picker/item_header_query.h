// The item header query of every picker: the code, name and model shown above the list. A pure
// function of the item id.
#pragma once

#include <cstdint>
#include <string>

namespace qmz {

std::string ComposeItemHeaderQuery(int32_t item_id);

}  // namespace qmz
