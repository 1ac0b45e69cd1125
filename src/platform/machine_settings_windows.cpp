#include <windows.h>

#include <vector>

#include "platform/ini_file.h"
#include "platform/machine_settings.h"
#include "platform/wide_path.h"

namespace qmz {

std::optional<std::string> ReadMachineSetting(const std::string& key_path,
                                              const std::string& value_name) {
  HKEY key = nullptr;
  // Opened to read values only: an ordinary user may read the machine's keys, not change them.
  // Wide, so that a path in any script reads whole whatever the system's code page.
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, WidePath(key_path).c_str(), 0, KEY_QUERY_VALUE, &key) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  const std::wstring name = WidePath(value_name);
  std::optional<std::string> value;
  DWORD type = 0;
  DWORD size = 0;
  if (::RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
      (type == REG_SZ || type == REG_EXPAND_SZ)) {
    std::vector<wchar_t> data(size / sizeof(wchar_t) + 1, L'\0');
    if (::RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                           &size) == ERROR_SUCCESS) {
      // The text ends at its first terminator, whether or not the value holds one.
      value = Utf8Of(std::wstring(data.data()));
    }
  }
  ::RegCloseKey(key);
  return value;
}

std::string WriteMachineSettingsFile(const std::string& folder,
                                     const std::vector<MachineSetting>& settings) {
  // regedit's format: UTF-16 with its byte-order mark, quotes and backslashes escaped.
  const auto quoted = [](const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
      if (c == '"' || c == '\\') out += '\\';
      out += c;
    }
    return out + "\"";
  };
  std::string text = "Windows Registry Editor Version 5.00\r\n";
  for (const MachineSetting& setting : settings) {
    text += "\r\n[HKEY_LOCAL_MACHINE\\" + setting.key_path + "]\r\n" + quoted(setting.value_name) +
            "=" + quoted(setting.value) + "\r\n";
  }
  const std::wstring wide = L"\xFEFF" + WidePath(text);
  const std::string file = folder + "\\machine.reg";
  ReplaceFileAtomically(
      file, std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t)));
  return file;
}

bool Is32BitOn64Bit() {
  BOOL wow64 = FALSE;
  return ::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64;
}

}  // namespace qmz
