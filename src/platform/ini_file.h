// The INI settings component (registered under its class id): one file, read by section, key
// and default, written by section, key and value.
//
// A missing file reads as defaults and is created on the first write. A write goes to a
// temporary file in the same folder that is renamed over the old file, so a failed write
// (qmz::Error) never leaves a half-written file; WriteAll changes all its keys in one such write.
// Reads before SetFile give the default; writes before SetFile fail.
#pragma once

#include <string>

#include "qmz/components.h"

namespace qmz {

class IniFileComponent : public IniFile {
 public:
  void SetFile(const std::string& path) override { path_ = path; }
  std::string Read(const std::string& section, const std::string& key,
                   const std::string& fallback) override;
  void Write(const std::string& section, const std::string& key, const std::string& value) override;
  void WriteAll(const std::string& section,
                const std::vector<std::pair<std::string, std::string>>& entries) override;

 private:
  std::string path_;
};

void RegisterIniFileComponent();

// Reads a whole file; false when it cannot be opened.
bool ReadWholeFile(const std::string& path, std::string& text);
// Writes a whole file through a temporary file and a rename; Error on failure.
void ReplaceFileAtomically(const std::string& path, const std::string& text);

}  // namespace qmz
