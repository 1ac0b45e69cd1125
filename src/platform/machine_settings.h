// The machine's settings: key paths and named values under the local machine's root, read-only.
// On Windows they are the registry's (HKEY_LOCAL_MACHINE, opened for reading values only, the
// value's type a text); elsewhere an INI file stands for it, whose sections are key paths (e.g.
// [SOFTWARE\Vantrel\COMMERCE\Tessan]) and whose entries are value names, both matched without
// regard to case, at $QMZ_MACHINE_SETTINGS, else /etc/qmz/machine.ini.
// Stateless, thread-safe; only the writing of a settings file fails.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qmz {

// The value, or nullopt when the store, the key path or the value is absent or unreadable.
std::optional<std::string> ReadMachineSetting(const std::string& key_path,
                                              const std::string& value_name);

// Writes into `folder` a file that holds the given settings (key path, value name, text value)
// for a person to load: machine.ini, for $QMZ_MACHINE_SETTINGS, on Linux; machine.reg, for
// `reg import`, on Windows. Its path; Error when it cannot be written.
struct MachineSetting {
  std::string key_path;
  std::string value_name;
  std::string value;
};
std::string WriteMachineSettingsFile(const std::string& folder,
                                     const std::vector<MachineSetting>& settings);

// Whether this is a 32-bit process on 64-bit Windows (whose registry shows it another view of
// SOFTWARE); false elsewhere.
bool Is32BitOn64Bit();

}  // namespace qmz
