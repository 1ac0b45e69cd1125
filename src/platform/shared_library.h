// A shared library loaded by its base name and major version ("pq", 5: libpq.so.5 on Linux,
// libpq.dll on Windows, found beside this code's own DLL, else where the system looks for
// libraries), and its functions by name.
// A loaded library is never unloaded. Thread-safe; nothing here throws.
#pragma once

#include <string>

namespace qmz {

// The library, or null when it cannot be found or loaded.
void* LoadSharedLibrary(const std::string& base, int version);
// The function `name` of `library`, or null.
void* SharedLibraryFunction(void* library, const char* name);

}  // namespace qmz
