// A UTF-8 path or text as Windows' wide functions take it, and back. Invalid UTF-8 is replaced
// by U+FFFD. Stateless, thread-safe.
#pragma once

#include <string>

namespace qmz {

std::wstring WidePath(const std::string& utf8);
std::string Utf8Of(const std::wstring& wide);

}  // namespace qmz
