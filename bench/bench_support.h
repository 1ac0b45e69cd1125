// Small helpers the benchmark programs share: time since a moment in milliseconds, the median of
// a few rounds, and libpq's connection keywords from the ODBC connection string pg-start writes.
// Header only; pure functions that do not fail (Median needs at least one value).
#pragma once

#include <algorithm>
#include <cctype>
#include <chrono>
#include <map>
#include <string>
#include <vector>

namespace qmz::bench {

inline double MsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

template <typename T>
T Median(std::vector<T> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// "odbc:Driver=...;Server=h;Port=p;Database=d;Uid=u;Pwd=w" as "host='h' port='p' ...".
inline std::string Conninfo(const std::string& target) {
  const std::map<std::string, std::string> names = {{"server", "host"},
                                                    {"port", "port"},
                                                    {"database", "dbname"},
                                                    {"uid", "user"},
                                                    {"pwd", "password"}};
  std::string conninfo, text = target.substr(target.find(':') + 1);
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find(';', at);
    if (end == std::string::npos) end = text.size();
    const std::string item = text.substr(at, end - at);
    const size_t equals = item.find('=');
    std::string key = item.substr(0, equals);
    std::transform(key.begin(), key.end(), key.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (equals != std::string::npos && names.count(key)) {
      conninfo += names.at(key) + "='" + item.substr(equals + 1) + "' ";
    }
    at = end + 1;
  }
  return conninfo;
}

}  // namespace qmz::bench
