#include "platform/machine_settings.h"

#include <cstdlib>

#include "platform/ini_document.h"
#include "platform/ini_file.h"

namespace qmz {

std::string MachineSettingsPath() {
  const char* path = std::getenv("QMZ_MACHINE_SETTINGS");
  return (path != nullptr && *path != '\0') ? path : "/etc/qmz/machine.ini";
}

std::optional<std::string> ReadMachineSetting(const std::string& key_path,
                                              const std::string& value_name) {
  std::string text;
  if (!ReadWholeFile(MachineSettingsPath(), text)) return std::nullopt;
  return IniDocument::Parse(text).Get(key_path, value_name);
}

}  // namespace qmz
