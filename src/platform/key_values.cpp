#include "platform/key_values.h"

#include <algorithm>

#include "platform/text.h"

namespace qmz {

namespace {

// Where the connection string's value that starts at `at` ends: past its closing brace when it
// is braced, at the next ";" or the end.
size_t ValueEnd(std::string_view text, size_t at) {
  size_t end = text.find_first_not_of(" \t", at);
  if (end == std::string_view::npos) return text.size();
  if (text[end] == '{') {
    for (++end; end < text.size(); ++end) {
      if (text[end] != '}') continue;
      if (end + 1 < text.size() && text[end + 1] == '}') {
        ++end;
        continue;
      }
      ++end;
      break;
    }
  }
  return std::min(text.find(';', end), text.size());
}

}  // namespace

std::string TakeUpTo(std::string& text, const std::string& separator) {
  size_t at = text.find(separator);
  if (at == std::string::npos) {
    std::string whole;
    whole.swap(text);
    return whole;
  }
  std::string piece = text.substr(0, at);
  text.erase(0, at + separator.size());
  return piece;
}

std::string NextKey(std::string& text) {
  return Trim(TakeUpTo(text, "="));
}

std::string NextValue(std::string& text) {
  text = Trim(text);
  std::string value;
  if (!text.empty() && text.front() == '{') {
    text.erase(0, 1);
    value = TakeUpTo(text, "}");
    TakeUpTo(text, ";");
  } else {
    value = TakeUpTo(text, ";");
  }
  return Trim(value);
}

std::vector<KeyValue> LoginProperties(std::string_view text) {
  std::vector<KeyValue> items;
  std::string rest(text);
  for (;;) {
    std::string key = NextKey(rest);
    std::string value = NextValue(rest);
    if (key.empty()) break;
    std::string written = key + "=" + value;
    items.push_back({std::move(key), std::move(value), std::move(written)});
  }
  return items;
}

std::vector<KeyValue> ConnectionAttributes(std::string_view text) {
  std::vector<KeyValue> attributes;
  size_t at = 0;
  while (at < text.size()) {
    const size_t equals = text.find('=', at);
    const size_t semicolon = text.find(';', at);
    if (equals == std::string_view::npos || semicolon < equals) {
      const size_t end = semicolon == std::string_view::npos ? text.size() : semicolon;
      const std::string alone = TrimBlanksAndTabs(text.substr(at, end - at));
      if (!alone.empty()) attributes.push_back({alone, "", alone});
      at = end + 1;
      continue;
    }
    const size_t end = ValueEnd(text, equals + 1);
    KeyValue attribute{TrimBlanksAndTabs(text.substr(at, equals - at)),
                       TrimBlanksAndTabs(text.substr(equals + 1, end - equals - 1)), ""};
    attribute.text = attribute.key + "=" + attribute.value;
    attributes.push_back(std::move(attribute));
    at = end + 1;
  }
  return attributes;
}

std::string Unbraced(const std::string& value) {
  if (value.size() < 2 || value.front() != '{' || value.back() != '}') return value;
  return value.substr(1, value.size() - 2);
}

}  // namespace qmz
