#include "suite/host_list.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "platform/text.h"

namespace qmz::suite {

namespace {

struct Attribute {
  std::string key;
  std::string value;  // as written, braces included
  std::string text;   // the whole attribute as written
};

// The attributes of an ODBC connection string: `key=value` separated by `;`, a value in braces
// may hold `;` (and `}}` for a brace).
std::vector<Attribute> Attributes(std::string_view text) {
  std::vector<Attribute> attributes;
  size_t at = 0;
  while (at < text.size()) {
    const size_t equals = text.find('=', at);
    const size_t semicolon = text.find(';', at);
    if (equals == std::string_view::npos || semicolon < equals) {
      // A part without a value: kept as a key alone.
      const size_t end = semicolon == std::string_view::npos ? text.size() : semicolon;
      const std::string alone(text.substr(at, end - at));
      if (end > at) attributes.push_back({alone, "", alone});
      at = end + 1;
      continue;
    }
    size_t end = equals + 1;
    if (end < text.size() && text[end] == '{') {
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
    end = std::min(text.find(';', end), text.size());
    attributes.push_back({std::string(text.substr(at, equals - at)),
                          std::string(text.substr(equals + 1, end - equals - 1)),
                          std::string(text.substr(at, end - at))});
    at = end + 1;
  }
  return attributes;
}

// A value without its braces.
std::string Unbraced(const std::string& value) {
  if (value.size() < 2 || value.front() != '{' || value.back() != '}') return value;
  return value.substr(1, value.size() - 2);
}

// Whether a list of hosts or ports holds only what libpq's form may carry unquoted.
bool Plain(const std::string& list) {
  for (char c : list) {
    if (c == ' ' || c == '\'' || c == '\\' || c == '{' || c == '}' || c == '=') return false;
  }
  return !list.empty();
}

}  // namespace

std::string WithHostsInPqopt(const std::string& connection_string) {
  const std::vector<Attribute> attributes = Attributes(connection_string);
  std::string hosts, ports;
  bool postgres = false;
  for (const Attribute& attribute : attributes) {
    const std::string key = ToLowerAscii(attribute.key);
    if (key == "driver")
      postgres = FindIgnoreCase(attribute.value, "postgres") != std::string::npos;
    if (key == "server" || key == "servername") hosts = Unbraced(attribute.value);
    if (key == "port") ports = Unbraced(attribute.value);
    if (key == "pqopt") return connection_string;
  }
  if (!postgres || hosts.find(',') == std::string::npos || !Plain(hosts) ||
      (!ports.empty() && !Plain(ports))) {
    return connection_string;
  }
  std::string rewritten;
  for (const Attribute& attribute : attributes) {
    const std::string key = ToLowerAscii(attribute.key);
    if (key == "server" || key == "servername" || key == "port") continue;
    rewritten += attribute.text + ";";
  }
  return rewritten + "pqopt={host=" + hosts + (ports.empty() ? "" : " port=" + ports) +
         " target_session_attrs=read-write}";
}

}  // namespace qmz::suite
