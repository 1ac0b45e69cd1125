#include "suite/middle_tier/login_cache.h"

#include "platform/key_values.h"
#include "platform/text.h"
#include "qmz/error.h"

namespace qmz::suite {

LoginCache& ProcessLoginCache() {
  static LoginCache cache;
  return cache;
}

int32_t UserIdFromProps(const std::string& props_string) {
  for (const KeyValue& item : LoginProperties(props_string)) {
    if (EqualsIgnoreCase(item.key, "UserID")) return Variant(item.value).ToInt32();
  }
  throw Error("The login property string names no user");
}

}  // namespace qmz::suite
