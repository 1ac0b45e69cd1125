#include "login/installation.h"

#include <cstdlib>

#include "login/host_props.h"
#include "login/login_context.h"
#include "platform/ignore_errors.h"
#include "platform/machine_settings.h"
#include "platform/program.h"
#include "platform/text.h"
#include "qmz/components.h"

namespace qmz {

std::string EditionSubkey(int32_t app_type, int32_t industry_type) {
  switch (app_type) {
    case 1:
      return "Ombrel";
    case 2:
      return "Tessan";
    case 4:
      switch (industry_type) {
        case 0:
          return "Virel";
        case 1:
          return "Caldor";
        case 2:
          return "Pennet";
        default:
          return "QMZPRODUCT";
      }
    default:
      return "QMZPRODUCT";
  }
}

std::string GetProductRegKey() {
  return "SOFTWARE\\Vantrel\\COMMERCE\\" + EditionSubkey(GetAppType(), GetIndustryType());
}

std::string RedirectKeyFor32BitView(const std::string& key_path, bool is_32_bit_on_64_bit) {
  if (!is_32_bit_on_64_bit) return key_path;
  const std::string software = "SOFTWARE";
  std::string out;
  size_t start = 0;
  while (true) {
    size_t hit = FindIgnoreCase(std::string_view(key_path).substr(start), software);
    if (hit == std::string::npos) break;
    out += key_path.substr(start, hit);
    out += "SOFTWARE\\Wow6432Node";
    start += hit + software.size();
  }
  return out + key_path.substr(start);
}

bool IsWow64Process() {
  return Is32BitOn64Bit();
}

std::string ReadMachineRegValue(const std::string& key_path, const std::string& value_name) {
  std::string value;
  IgnoreErrors([&] {
    std::string path = RedirectKeyFor32BitView(key_path, IsWow64Process());
    value = Trim(ReadMachineSetting(path, value_name).value_or(""));
  });
  return value;
}

std::string GetInstallPath() {
  return ReadMachineRegValue(GetProductRegKey(), "Path") + "/";
}

std::string GetSystemProfile(const std::string& key, const std::string& category,
                             const std::string& fallback) {
  try {
    auto profile = CreateComponent<SystemProfile>(progid::kSystemProfile);
    Variant value = profile->GetProfile(GetPropsString(), category, key);
    return value.IsNull() ? fallback : value.ToText();
  } catch (...) {
    return fallback;
  }
}

std::string GetComponentFolder() {
  const char* folder = std::getenv("QMZ_COMPONENT_DIR");
  std::string path = (folder && *folder) ? folder : ModuleFolder();
  if (path.empty() || path.back() != '/') path += "/";
  return path;
}

}  // namespace qmz
