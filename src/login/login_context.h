// The login context: the login property string and single login properties of the host
// process, read from the suite's login cache.
//
// Nothing is cached: every call asks the cache anew. GetLoginProperty never fails; what cannot
// be read is Empty. Under outer login (the cache facade answers IsOuterLogin = 1) only the keys
// of OuterLoginKeys() are served. Components are created for one call each.
#pragma once

#include <array>
#include <string>

#include "qmz/variant.h"

namespace qmz {

// The fourteen keys served under outer login, compared with exact case.
const std::array<const char*, 14>& OuterLoginKeys();

Variant GetLoginProperty(const std::string& key);
// GetLoginProperty("PropsString") as text; empty when it cannot be read.
std::string GetPropsString();

}  // namespace qmz
