#include "login/user_profile.h"

#include "login/login_context.h"
#include "qmz/components.h"

namespace qmz {

std::string GetUserProfile(const std::string& section, const std::string& key) {
  auto info = CreateComponent<ClassUserProfileInfo>(progid::kUserProfileInfo);
  Variant value = info->GetUserProfile(GetPropsString(), section, key);
  return value.IsNull() ? std::string() : value.ToText();
}

void SaveUserProfile(const std::string& section, const std::string& key, const std::string& value) {
  auto update = CreateComponent<ClassUserProfileUpdate>(progid::kUserProfileUpdate);
  update->SaveUserProfile(GetPropsString(), section, key, value);
}

std::shared_ptr<Dictionary> LoadColWidths() {
  auto widths = std::make_shared<Dictionary>();
  std::string record = GetUserProfile("BaseList", "ColWidth");
  if (record.empty()) return widths;
  size_t start = 0;
  for (int i = 0;; ++i) {
    size_t bar = record.find('|', start);
    widths->Set("Col" + std::to_string(i), record.substr(start, bar - start));
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  return widths;
}

void SaveColWidths(const std::string& widths) {
  SaveUserProfile("BaseList", "ColWidth", widths);
}

}  // namespace qmz
