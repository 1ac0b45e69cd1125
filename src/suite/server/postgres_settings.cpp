#include "suite/server/postgres_settings.h"

#include "platform/text.h"

#include <algorithm>
#include <cctype>
#include <string_view>
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

// The settings as `set local` statements, each ending in ";\n", in front of the check when
// `guarded`.
std::string LocalSettings(const std::vector<std::pair<std::string, std::string>>& settings,
                          bool guarded) {
  std::string text = "set transaction isolation level read committed;\n";
  for (const auto& [name, value] : settings) {
    text += "set local " + name + " = '" + value + "';\n";
  }
  if (guarded) {
    text +=
        "select current_setting(case current_setting('standard_conforming_strings') "
        "when 'on' then 'standard_conforming_strings' "
        "else 'standard_conforming_strings is off: the request was not run' end);\n";
  }
  return text;
}

// Where "null" comes again in `text` from `from`, any case; npos when it does not.
size_t NextNull(std::string_view text, size_t from) {
  const size_t found = FindIgnoreCase(text.substr(from), "null");
  return found == std::string_view::npos ? found : from + found;
}

bool IsNameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' ||
         static_cast<unsigned char>(c) >= 0x80;
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
  return LocalSettings(SuiteSettings(timeout), guarded);
}

std::string LookupSettings(long timeout, const Reliance& reliance, bool guarded) {
  std::vector<std::pair<std::string, std::string>> settings;
  for (auto& setting : SuiteSettings(timeout)) {
    const std::string& name = setting.first;
    const bool relied = name == "search_path" || name == "jit" || name == "statement_timeout" ||
                        (name == "transform_null_equals" && reliance.null_equals) ||
                        (name == "DateStyle" && reliance.dates) ||
                        (name == "extra_float_digits" && reliance.digits);
    if (relied) settings.push_back(std::move(setting));
  }
  return LocalSettings(settings, guarded);
}

int ResultsOf(const std::string& settings) {
  return static_cast<int>(std::count(settings.begin(), settings.end(), '\n'));
}

bool ComparesWithNull(const std::string& statement) {
  const auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
  const std::string_view text(statement);
  for (size_t at = FindIgnoreCase(text, "null"); at != std::string_view::npos;
       at = NextNull(text, at + 4)) {
    if ((at > 0 && IsNameChar(statement[at - 1])) ||
        (at + 4 < statement.size() && IsNameChar(statement[at + 4]))) {
      continue;
    }
    size_t before = at;
    while (before > 0 && blank(statement[before - 1])) --before;
    size_t after = at + 4;
    while (after < statement.size() && blank(statement[after])) ++after;
    if ((before > 0 && statement[before - 1] == '=') ||
        (after < statement.size() && statement[after] == '=')) {
      return true;
    }
  }
  return false;
}

bool Guarded(const std::string& request) {
  return request.find('\\') != std::string::npos;
}

}  // namespace qmz::suite
