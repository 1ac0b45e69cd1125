#include <windows.h>

#include "platform/program.h"
#include "platform/shared_library.h"
#include "platform/wide_path.h"

namespace qmz {

void* LoadSharedLibrary(const std::string& base, int version) {
  const std::string file = "lib" + base + ".dll";
  // First beside this DLL (its own dependencies found there too), then where Windows looks for
  // a DLL, never in the current folder.
  const std::wstring beside = WidePath(ModuleFolder() + "\\" + file);
  if (HMODULE library =
          ::LoadLibraryExW(beside.c_str(), nullptr,
                           LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS)) {
    return library;
  }
  return ::LoadLibraryExA(file.c_str(), nullptr, LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
}

void* SharedLibraryFunction(void* library, const char* name) {
  return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(library), name));
}

}  // namespace qmz
