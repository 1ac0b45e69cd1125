// The machine settings repository: the machine-wide store of key paths and named values that
// takes the place of the local-machine registry. It is an INI file whose sections are key paths
// (e.g. [SOFTWARE\Vantrel\COMMERCE\Tessan]) and whose entries are value names; both match
// without regard to case. Its location is $QMZ_MACHINE_SETTINGS, else /etc/qmz/machine.ini.
// Read-only for the library; never fails.
#pragma once

#include <optional>
#include <string>

namespace qmz {

std::string MachineSettingsPath();
// The value, or nullopt when the file, the key path or the value is absent.
std::optional<std::string> ReadMachineSetting(const std::string& key_path,
                                              const std::string& value_name);

}  // namespace qmz
