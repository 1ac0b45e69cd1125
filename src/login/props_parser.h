// The login property string's collection: the items platform/key_values.h reads from it, keys
// unique without regard to ASCII case.
//
// The parsed collection exists once per thread; every ParseProps replaces it whole. ParseProps
// fails (qmz::Error) on a repeated key, GetParsedProp on an absent key, GetUserID on a UserID
// that is not a number or lies outside the 16-bit range.
#pragma once

#include <cstdint>
#include <string>

namespace qmz {

void ParseProps(const std::string& props_string);
std::string GetParsedProp(const std::string& key);
int16_t GetUserID();
// Error unless the parsed collection holds a UserID that GetUserID reads; the id is not used.
void RequireUserID();

}  // namespace qmz
