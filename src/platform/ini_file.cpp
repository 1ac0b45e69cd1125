#include "platform/ini_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/ini_document.h"

namespace qmz {

bool ReadWholeFile(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  text = buffer.str();
  return true;
}

void ReplaceFileAtomically(const std::string& path, const std::string& text) {
  std::string temp = path + ".tmp." + std::to_string(::getpid());
  FILE* file = std::fopen(temp.c_str(), "wb");
  if (file == nullptr) {
    throw Error("Cannot write " + path + ": " + std::strerror(errno));
  }
  bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  written = std::fflush(file) == 0 && written;
  written = ::fsync(::fileno(file)) == 0 && written;
  written = std::fclose(file) == 0 && written;
  if (!written || std::rename(temp.c_str(), path.c_str()) != 0) {
    int error = errno;
    std::remove(temp.c_str());
    throw Error("Cannot write " + path + ": " + std::strerror(error));
  }
}

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
  std::string text;
  ReadWholeFile(path_, text);
  IniDocument doc = IniDocument::Parse(text);
  for (const auto& [key, value] : entries) doc.Set(section, key, value);
  ReplaceFileAtomically(path_, doc.Text());
}

void RegisterIniFileComponent() {
  ComponentRegistry::Instance().Register(progid::kIniFile,
                                         [] { return std::make_shared<IniFileComponent>(); });
}

}  // namespace qmz
