#include "login/host_props.h"

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
  try {
    return GetHostProp(key, false).ToBool();
  } catch (const Error&) {
    return false;
  }
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
