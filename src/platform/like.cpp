#include "platform/like.h"

#include <string_view>
#include <utility>
#include <vector>

#include "platform/utf8.h"
#include "qmz/error.h"

namespace qmz {
namespace {

// One pattern element; every kind but kAnyRun matches exactly one character.
struct Element {
  enum Kind { kChar, kAnyChar, kAnyRun, kDigit, kList } kind = kChar;
  char32_t ch = 0;
  bool negated = false;
  std::vector<std::pair<char32_t, char32_t>> ranges;

  bool Matches(char32_t c) const {
    switch (kind) {
      case kChar:
        return c == ch;
      case kAnyChar:
        return true;
      case kDigit:
        return c >= U'0' && c <= U'9';
      case kList:
        for (const auto& [low, high] : ranges) {
          if (c >= low && c <= high) return !negated;
        }
        return negated;
      case kAnyRun:
        break;
    }
    return false;
  }
};

[[noreturn]] void InvalidPattern() {
  throw Error("Invalid pattern string");
}

// Reads a list after its "[" up to and including the "]"; false for an empty list "[]".
bool ParseList(const std::u32string& pattern, size_t& i, Element& element) {
  element.kind = Element::kList;
  if (i < pattern.size() && pattern[i] == U'!') {
    element.negated = true;
    ++i;
  }
  size_t start = i;
  while (true) {
    if (i >= pattern.size()) InvalidPattern();
    char32_t c = pattern[i];
    if (c == U']') break;
    // "a-z" is a range unless the "-" is the last thing in the list.
    if (i + 2 < pattern.size() && pattern[i + 1] == U'-' && pattern[i + 2] != U']') {
      if (pattern[i + 2] < c) InvalidPattern();
      element.ranges.emplace_back(c, pattern[i + 2]);
      i += 3;
    } else {
      element.ranges.emplace_back(c, c);
      ++i;
    }
  }
  ++i;
  return i - 1 > start || element.negated;
}

std::vector<Element> Compile(std::string_view text) {
  const std::u32string pattern = DecodeUtf8(text);
  std::vector<Element> elements;
  for (size_t i = 0; i < pattern.size();) {
    char32_t c = pattern[i++];
    Element element;
    if (c == U'?') {
      element.kind = Element::kAnyChar;
    } else if (c == U'*') {
      if (!elements.empty() && elements.back().kind == Element::kAnyRun) continue;
      element.kind = Element::kAnyRun;
    } else if (c == U'#') {
      element.kind = Element::kDigit;
    } else if (c == U'[') {
      if (!ParseList(pattern, i, element)) continue;  // "[]" takes no character
    } else {
      element.ch = c;
    }
    elements.push_back(std::move(element));
  }
  return elements;
}

}  // namespace

bool Like(const std::string& text, const std::string& pattern) {
  const std::vector<Element> elements = Compile(pattern);
  const std::u32string chars = DecodeUtf8(text);
  // Greedy match; on a mismatch the last "*" takes one more character and matching resumes
  // after it. Every other element takes exactly one character, so that one restart point
  // suffices.
  size_t t = 0, p = 0;
  size_t star = std::string::npos, star_text = 0;
  while (t < chars.size()) {
    if (p < elements.size() && elements[p].kind == Element::kAnyRun) {
      star = p++;
      star_text = t;
    } else if (p < elements.size() && elements[p].Matches(chars[t])) {
      ++p;
      ++t;
    } else if (star != std::string::npos) {
      p = star + 1;
      t = ++star_text;
    } else {
      return false;
    }
  }
  while (p < elements.size() && elements[p].kind == Element::kAnyRun) ++p;
  return p == elements.size();
}

}  // namespace qmz
