#include <cstdlib>

#include "platform/ini_document.h"
#include "platform/ini_file.h"
#include "platform/machine_settings.h"

namespace qmz {

namespace {

std::string MachineSettingsPath() {
  const char* path = std::getenv("QMZ_MACHINE_SETTINGS");
  return (path != nullptr && *path != '\0') ? path : "/etc/qmz/machine.ini";
}

}  // namespace

std::optional<std::string> ReadMachineSetting(const std::string& key_path,
                                              const std::string& value_name) {
  std::string text;
  if (!ReadWholeFile(MachineSettingsPath(), text)) return std::nullopt;
  return IniDocument::Parse(text).Get(key_path, value_name);
}

std::string WriteMachineSettingsFile(const std::string& folder,
                                     const std::vector<MachineSetting>& settings) {
  std::string text =
      "; Machine settings of the demo suite (point QMZ_MACHINE_SETTINGS at this file).\n";
  for (const MachineSetting& setting : settings) {
    text += "[" + setting.key_path + "]\n" + setting.value_name + "=" + setting.value + "\n";
  }
  // Replaced whole, as the component writes its settings: a host reading it meanwhile sees the
  // old file or the new one.
  const std::string file = folder + "/machine.ini";
  ReplaceFileAtomically(file, text);
  return file;
}

bool Is32BitOn64Bit() {
  return false;
}

}  // namespace qmz
