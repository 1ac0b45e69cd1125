#include "platform/ini_document.h"

#include "platform/text.h"

namespace qmz {

namespace {

std::string Strip(const std::string& line) {
  std::string out = line;
  while (!out.empty() && (out.back() == '\r' || out.back() == ' ' || out.back() == '\t')) {
    out.pop_back();
  }
  size_t first = out.find_first_not_of(" \t");
  return first == std::string::npos ? std::string() : out.substr(first);
}

// The name of a section header line, or nullopt.
std::optional<std::string> HeaderName(const std::string& line) {
  std::string s = Strip(line);
  if (s.size() < 2 || s.front() != '[' || s.back() != ']') return std::nullopt;
  return Strip(s.substr(1, s.size() - 2));
}

bool IsComment(const std::string& stripped) {
  return stripped.empty() || stripped[0] == ';' || stripped[0] == '#';
}

// Splits `key=value`; false for lines that are no entry.
bool SplitEntry(const std::string& line, std::string& key, std::string& value) {
  std::string s = Strip(line);
  if (IsComment(s) || s.front() == '[') return false;
  size_t eq = s.find('=');
  if (eq == std::string::npos) return false;
  key = Strip(s.substr(0, eq));
  value = Strip(s.substr(eq + 1));
  return true;
}

}  // namespace

IniDocument IniDocument::Parse(const std::string& text) {
  IniDocument doc;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    doc.lines_.push_back(line);
    start = end + 1;
  }
  return doc;
}

size_t IniDocument::FindSection(const std::string& section) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    auto name = HeaderName(lines_[i]);
    if (name && EqualsIgnoreCase(*name, section)) return i;
  }
  return std::string::npos;
}

size_t IniDocument::SectionEnd(size_t header) const {
  size_t i = header + 1;
  while (i < lines_.size() && !HeaderName(lines_[i])) ++i;
  return i;
}

std::optional<std::string> IniDocument::Get(const std::string& section,
                                            const std::string& key) const {
  size_t header = FindSection(section);
  if (header == std::string::npos) return std::nullopt;
  std::string k, v;
  for (size_t i = header + 1; i < SectionEnd(header); ++i) {
    if (SplitEntry(lines_[i], k, v) && EqualsIgnoreCase(k, key)) return v;
  }
  return std::nullopt;
}

void IniDocument::Set(const std::string& section, const std::string& key,
                      const std::string& value) {
  size_t header = FindSection(section);
  if (header == std::string::npos) {
    if (!lines_.empty() && !Strip(lines_.back()).empty()) lines_.push_back("");
    lines_.push_back("[" + section + "]");
    lines_.push_back(key + "=" + value);
    return;
  }
  size_t end = SectionEnd(header);
  std::string k, v;
  for (size_t i = header + 1; i < end; ++i) {
    if (SplitEntry(lines_[i], k, v) && EqualsIgnoreCase(k, key)) {
      lines_[i] = k + "=" + value;
      return;
    }
  }
  // New keys go after the section's last entry, before trailing blank lines.
  size_t at = end;
  while (at > header + 1 && Strip(lines_[at - 1]).empty()) --at;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), key + "=" + value);
}

std::string IniDocument::Text() const {
  std::string out;
  for (const std::string& line : lines_) out += line + "\n";
  return out;
}

}  // namespace qmz
