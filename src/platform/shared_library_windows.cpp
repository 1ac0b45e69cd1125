#include <windows.h>

#include "platform/shared_library.h"

namespace qmz {

void* LoadSharedLibrary(const std::string& base, int version) {
  const std::string file = "lib" + base + ".dll";
  // Not from the current folder: only the program's folder and the system's.
  return ::LoadLibraryExA(file.c_str(), nullptr,
                          LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32 |
                              LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
}

void* SharedLibraryFunction(void* library, const char* name) {
  return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(library), name));
}

}  // namespace qmz
