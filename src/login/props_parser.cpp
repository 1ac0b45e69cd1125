#include "login/props_parser.h"

#include <unordered_map>
#include <utility>

#include "platform/key_values.h"
#include "platform/text.h"
#include "qmz/error.h"
#include "qmz/variant.h"

namespace qmz {

namespace {

// Keys folded to lower case; values as parsed.
thread_local std::unordered_map<std::string, std::string> parsed_props;

}  // namespace

void ParseProps(const std::string& props_string) {
  parsed_props.clear();
  for (KeyValue& item : LoginProperties(props_string)) {
    if (!parsed_props.emplace(ToLowerAscii(item.key), std::move(item.value)).second) {
      throw Error("This key is already associated with an element of this collection: " + item.key);
    }
  }
}

std::string GetParsedProp(const std::string& key) {
  auto hit = parsed_props.find(ToLowerAscii(key));
  if (hit == parsed_props.end()) throw Error("Login property not found: " + key);
  return hit->second;
}

int16_t GetUserID() {
  return Variant(GetParsedProp("UserID")).ToInt16();
}

void RequireUserID() {
  static_cast<void>(GetUserID());
}

}  // namespace qmz
