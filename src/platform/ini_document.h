// An INI text held as its lines, so a write changes one line and keeps every other line,
// comment and blank as it was. Sections and keys match without regard to ASCII case; values
// come back with surrounding blanks removed. Lines before the first section belong to no
// section and are kept.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qmz {

class IniDocument {
 public:
  static IniDocument Parse(const std::string& text);

  std::optional<std::string> Get(const std::string& section, const std::string& key) const;
  // Replaces the key's value, or adds the key at the end of its section (adding the section at
  // the end of the document when absent).
  void Set(const std::string& section, const std::string& key, const std::string& value);
  std::string Text() const;

 private:
  // Index of the section's header line, or npos.
  size_t FindSection(const std::string& section) const;
  // One past the last line of the section that starts at `header`.
  size_t SectionEnd(size_t header) const;

  std::vector<std::string> lines_;
};

}  // namespace qmz
