#include "login/props_parser.h"

#include <unordered_map>

#include "platform/text.h"
#include "qmz/error.h"
#include "qmz/variant.h"

namespace qmz {

namespace {

// Keys folded to lower case; values as parsed.
thread_local std::unordered_map<std::string, std::string> parsed_props;

}  // namespace

std::string TakeUpTo(std::string& text, const std::string& separator) {
  size_t at = text.find(separator);
  if (at == std::string::npos) {
    std::string whole;
    whole.swap(text);
    return whole;
  }
  std::string piece = text.substr(0, at);
  text.erase(0, at + separator.size());
  return piece;
}

std::string NextKey(std::string& text) {
  return Trim(TakeUpTo(text, "="));
}

std::string NextValue(std::string& text) {
  text = Trim(text);
  std::string value;
  if (!text.empty() && text.front() == '{') {
    text.erase(0, 1);
    value = TakeUpTo(text, "}");
    TakeUpTo(text, ";");
  } else {
    value = TakeUpTo(text, ";");
  }
  return Trim(value);
}

void ParseProps(const std::string& props_string) {
  parsed_props.clear();
  std::string rest = props_string;
  while (true) {
    std::string key = NextKey(rest);
    std::string value = NextValue(rest);
    if (key.empty()) break;
    if (!parsed_props.emplace(ToLowerAscii(key), value).second) {
      throw Error("This key is already associated with an element of this collection: " + key);
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
