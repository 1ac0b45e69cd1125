#include "suite/middle_tier/login_cache.h"

#include "platform/text.h"
#include "qmz/error.h"

namespace qmz::suite {

LoginCache& ProcessLoginCache() {
  static LoginCache cache;
  return cache;
}

int32_t UserIdFromProps(const std::string& props_string) {
  size_t start = 0;
  while (start <= props_string.size()) {
    size_t end = props_string.find(';', start);
    std::string item = props_string.substr(start, end == std::string::npos ? end : end - start);
    size_t eq = item.find('=');
    if (eq != std::string::npos && EqualsIgnoreCase(Trim(item.substr(0, eq)), "UserID")) {
      return Variant(Trim(item.substr(eq + 1))).ToInt32();
    }
    if (end == std::string::npos) break;
    start = end + 1;
  }
  throw Error("The login property string names no user");
}

}  // namespace qmz::suite
