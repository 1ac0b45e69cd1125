#include "login/host_props.h"

#include "platform/text.h"
#include "qmz/containers.h"
#include "qmz/error.h"
#include "qmz/host.h"

namespace qmz {

Variant GetHostProp(const std::string& key, const Variant& fallback) {
  try {
    Dictionary* properties = PublishedHostProperties(CurrentProcessId());
    if (properties == nullptr || !properties->Exists(key)) return fallback;
    return properties->Get(key);
  } catch (...) {
    return fallback;
  }
}

void SetHostProp(const std::string& key, const Variant& value) {
  Dictionary* properties = PublishedHostProperties(CurrentProcessId());
  if (properties == nullptr) {
    throw Error("The host published no property dictionary for this process");
  }
  properties->Set(key, value);
}

bool GetHostFlag(const std::string& key) {
  const Variant value = GetHostProp(key);
  if (value.IsEmpty() || value.IsNull()) return false;
  if (value.type() == Variant::Type::Boolean) return value.ToBool();
  std::string text;
  try {
    text = Trim(value.ToText());
  } catch (const Error&) {
    text = "(an object)";
  }
  const std::string word = ToLowerAscii(text);
  if (word.empty()) return false;
  for (const char* yes : {"1", "true", "yes", "on"}) {
    if (word == yes) return true;
  }
  for (const char* no : {"0", "false", "no", "off"}) {
    if (word == no) return false;
  }
  throw Error("The host's " + key + " " + text +
              " is not a flag (1/0, true/false, yes/no, on/off)");
}

bool IsICClosed() {
  return GetHostProp("ICClosed", true).ToBool();
}
int32_t GetAppType() {
  return GetHostProp("AppType", 2).ToInt32();
}
int32_t GetIndustryType() {
  return GetHostProp("IndustryType", 0).ToInt32();
}

}  // namespace qmz
