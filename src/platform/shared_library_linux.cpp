#include <dlfcn.h>

#include "platform/shared_library.h"

namespace qmz {

void* LoadSharedLibrary(const std::string& base, int version) {
  const std::string file = "lib" + base + ".so." + std::to_string(version);
  return ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* SharedLibraryFunction(void* library, const char* name) {
  return ::dlsym(library, name);
}

}  // namespace qmz
