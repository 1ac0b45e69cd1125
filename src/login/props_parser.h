// The login property string parser: items `key=value` separated by ";", values optionally in
// braces (then they may hold ";" and "="). Keys are unique without regard to ASCII case.
//
// The parsed collection exists once per thread; every ParseProps replaces it whole. ParseProps
// fails (qmz::Error) on a repeated key, GetParsedProp on an absent key, GetUserID on a UserID
// that is not a number or lies outside the 16-bit range.
#pragma once

#include <cstdint>
#include <string>

namespace qmz {

// Splits `text` at the first `separator`: returns the piece before it and leaves the rest in
// `text`. Without the separator the whole text is returned and `text` becomes empty.
std::string TakeUpTo(std::string& text, const std::string& separator);
std::string NextKey(std::string& text);
std::string NextValue(std::string& text);

void ParseProps(const std::string& props_string);
std::string GetParsedProp(const std::string& key);
int16_t GetUserID();
// Error unless the parsed collection holds a UserID that GetUserID reads; the id is not used.
void RequireUserID();

}  // namespace qmz
