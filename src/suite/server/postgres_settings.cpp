#include "suite/server/postgres_settings.h"

#include <utility>
#include <vector>

namespace qmz::suite {

namespace {

// The settings, by name; the timeout in seconds.
std::vector<std::pair<std::string, std::string>> SuiteSettings(long timeout) {
  return {{"search_path", "public"},
          {"enable_hashagg", "off"},
          {"enable_sort", "on"},
          {"jit", "off"},
          {"transform_null_equals", "off"},
          {"DateStyle", "ISO, YMD"},
          {"extra_float_digits", "3"},
          {"statement_timeout", std::to_string(timeout * 1000)}};
}

}  // namespace

std::string SessionSettings(long timeout) {
  std::string select;
  for (const auto& [name, value] : SuiteSettings(timeout)) {
    select += (select.empty() ? "select " : ", ") + std::string("set_config('") + name + "', '" +
              value + "', false)";
  }
  return select;
}

std::string SessionTimeout(long timeout) {
  return "select set_config('statement_timeout', '" + std::to_string(timeout * 1000) + "', false)";
}

std::string PostgresSettings(long timeout, bool guarded) {
  std::string settings = "set transaction isolation level read committed;\n";
  for (const auto& [name, value] : SuiteSettings(timeout)) {
    settings += "set local " + name + " = '" + value + "';\n";
  }
  if (guarded) {
    settings +=
        "select current_setting(case current_setting('standard_conforming_strings') "
        "when 'on' then 'standard_conforming_strings' "
        "else 'standard_conforming_strings is off: the request was not run' end);\n";
  }
  return settings;
}

int SettingsResults(bool guarded) {
  return 1 + static_cast<int>(SuiteSettings(0).size()) + (guarded ? 1 : 0);
}

bool Guarded(const std::string& request) {
  return request.find('\\') != std::string::npos;
}

}  // namespace qmz::suite
