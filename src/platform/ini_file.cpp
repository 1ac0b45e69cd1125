#include "platform/ini_file.h"

#include "platform/ini_document.h"

namespace qmz {

std::string IniFileComponent::Read(const std::string& section, const std::string& key,
                                   const std::string& fallback) {
  std::string text;
  if (path_.empty() || !ReadWholeFile(path_, text)) return fallback;
  return IniDocument::Parse(text).Get(section, key).value_or(fallback);
}

void IniFileComponent::Write(const std::string& section, const std::string& key,
                             const std::string& value) {
  WriteAll(section, {{key, value}});
}

void IniFileComponent::WriteAll(const std::string& section,
                                const std::vector<std::pair<std::string, std::string>>& entries) {
  if (path_.empty()) throw Error("The settings file has not been set");
  EditFileAtomically(path_, [&](const std::string& text) {
    IniDocument doc = IniDocument::Parse(text);
    for (const auto& [key, value] : entries) doc.Set(section, key, value);
    return doc.Text();
  });
}

void RegisterIniFileComponent() {
  ComponentRegistry::Instance().Register(progid::kIniFile,
                                         [] { return std::make_shared<IniFileComponent>(); });
}

}  // namespace qmz
