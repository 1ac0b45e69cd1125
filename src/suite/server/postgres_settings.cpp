#include "suite/server/postgres_settings.h"

#include "platform/text.h"

#include <algorithm>
#include <cctype>
#include <iterator>
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

// The words of a statement that makes sets of rows.
constexpr const char* kSetWords[] = {"distinct", "union", "intersect", "except"};

bool IsNameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' ||
         static_cast<unsigned char>(c) >= 0x80;
}

// Where `word` stands whole in `text` from `from` on, in any case; npos when it does not.
size_t FindWord(std::string_view text, std::string_view word, size_t from = 0) {
  for (size_t at = from; at + word.size() <= text.size(); ++at) {
    const size_t found = FindIgnoreCase(text.substr(at), word);
    if (found == std::string_view::npos) return found;
    at += found;
    const size_t end = at + word.size();
    if ((at == 0 || !IsNameChar(text[at - 1])) && (end == text.size() || !IsNameChar(text[end]))) {
      return at;
    }
  }
  return std::string_view::npos;
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
                        ((name == "enable_hashagg" || name == "enable_sort") && reliance.sets) ||
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
  for (size_t at = FindWord(text, "null"); at != std::string_view::npos;
       at = FindWord(text, "null", at + 4)) {
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

bool MakesSets(const std::string& statement) {
  return std::any_of(std::begin(kSetWords), std::end(kSetWords), [&](const char* word) {
    return FindWord(statement, word) != std::string_view::npos;
  });
}

bool Guarded(const std::string& request) {
  return request.find('\\') != std::string::npos;
}

}  // namespace qmz::suite
