// Where the suite is installed, which edition runs, and single settings of the account set's
// system profile.
//
// The product key is "SOFTWARE\Vantrel\COMMERCE\" and the edition subkey chosen from the host's
// AppType and IndustryType. Registry-style key paths keep "\"; file-system paths use "/", so
// GetInstallPath ends with "/". None of these fails: what cannot be read is the empty text (or
// the given default).
#pragma once

#include <cstdint>
#include <string>

namespace qmz {

std::string EditionSubkey(int32_t app_type, int32_t industry_type);
std::string GetProductRegKey();

// A 32-bit process on a 64-bit system reads the registry's 32-bit view: every "SOFTWARE"
// (any case) becomes "SOFTWARE\Wow6432Node".
std::string RedirectKeyFor32BitView(const std::string& key_path, bool is_32_bit_on_64_bit);
// This platform has no 32-bit registry view: always false.
bool IsWow64Process();

std::string ReadMachineRegValue(const std::string& key_path, const std::string& value_name);
std::string GetInstallPath();
std::string GetSystemProfile(const std::string& key, const std::string& category,
                             const std::string& fallback);

// The folder of the component's own file, ending with "/": $QMZ_COMPONENT_DIR when set (a host
// that installs the library apart from its program names it there), else the folder of the
// running program, which holds the statically linked library.
std::string GetComponentFolder();

}  // namespace qmz
