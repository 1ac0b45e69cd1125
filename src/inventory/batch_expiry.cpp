#include "inventory/batch_expiry.h"

#include <chrono>
#include <cstdio>
#include <ctime>

#include "inventory/batch_dates.h"
#include "login/host_props.h"
#include "platform/text.h"
#include "qmz/error.h"

namespace qmz {

namespace {

using namespace std::chrono;

Day DayOf(const year_month_day& date) {
  return sys_days(date).time_since_epoch().count();
}

Day Today() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return DayOf(year(local.tm_year + 1900) / month(static_cast<unsigned>(local.tm_mon + 1)) /
               day(static_cast<unsigned>(local.tm_mday)));
}

// A host property's text, "" when unset.
std::string HostText(const char* key) {
  const Variant value = GetHostProp(key);
  if (value.IsEmpty() || value.IsNull()) return "";
  try {
    return Trim(value.ToText());
  } catch (const Error&) {
    throw Error(std::string("The host's ") + key + " is not a text");
  }
}

std::optional<int32_t> WarnDays() {
  const std::string text = HostText("ExpiryWarnDays");
  if (text.empty()) return std::nullopt;
  double days = 0;
  if (!ParseNumber(text, days) || days < 0 || days != static_cast<int32_t>(days)) {
    throw Error("The host's ExpiryWarnDays " + text + " is not a number of days from 0");
  }
  return static_cast<int32_t>(days);
}

Day DocumentDate() {
  const std::string text = HostText("DocumentDate");
  if (text.empty()) return Today();
  const std::optional<Day> day = IsoDay(text);
  if (!day) throw Error("The host's DocumentDate " + text + " is not a date (YYYY-MM-DD)");
  return *day;
}

bool Fefo() {
  const std::string text = HostText("BatchOrder");
  if (text.empty()) return false;
  if (!EqualsIgnoreCase(text, "FEFO")) {
    throw Error("The host's BatchOrder " + text + " is not an order the pickers know (FEFO)");
  }
  return true;
}

}  // namespace

ExpiryRules ReadExpiryRules() {
  ExpiryRules rules;
  rules.warn_days = WarnDays();
  rules.document_date = DocumentDate();
  rules.hide_expired = GetHostFlag("HideExpired");
  rules.fefo = Fefo();
  rules.allow_expired = GetHostFlag("AllowExpired");
  return rules;
}

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Reads 1 to `most` digits at `at`; 0 digits read gives false.
bool ReadNumber(std::string_view text, size_t& at, size_t least, size_t most, unsigned& out) {
  size_t digits = 0;
  out = 0;
  while (at < text.size() && digits < most && IsDigit(text[at])) {
    out = out * 10 + static_cast<unsigned>(text[at++] - '0');
    ++digits;
  }
  return digits >= least;
}

std::optional<Day> DayOfParts(unsigned y, unsigned m, unsigned d) {
  const year_month_day date{year(static_cast<int>(y)), month(m), day(d)};
  if (!date.ok()) return std::nullopt;
  return DayOf(date);
}

// Nothing, or a blank or "T" followed by a time's characters.
bool IsTimeOrNothing(std::string_view rest) {
  if (rest.empty()) return true;
  if (rest[0] != ' ' && rest[0] != 'T') return false;
  return rest.find_first_not_of("0123456789:. ", 1) == std::string_view::npos;
}

}  // namespace

std::optional<Day> BatchDay(std::string_view text) {
  unsigned y = 0, m = 0, d = 0;
  size_t at = 0;
  if (text.size() >= 8 &&
      text.substr(0, 8).find_first_not_of("0123456789") == std::string_view::npos &&
      (text.size() == 8 || !IsDigit(text[8]))) {
    ReadNumber(text, at, 4, 4, y);
    ReadNumber(text, at, 2, 2, m);
    ReadNumber(text, at, 2, 2, d);
  } else {
    if (!ReadNumber(text, at, 4, 4, y) || at >= text.size()) return std::nullopt;
    const char separator = text[at];
    if (separator != '-' && separator != '/' && separator != '.') return std::nullopt;
    ++at;
    if (!ReadNumber(text, at, 1, 2, m) || at >= text.size() || text[at] != separator) {
      return std::nullopt;
    }
    ++at;
    if (!ReadNumber(text, at, 1, 2, d)) return std::nullopt;
  }
  if (!IsTimeOrNothing(text.substr(at))) return std::nullopt;
  return DayOfParts(y, m, d);
}

std::optional<Day> IsoDay(std::string_view text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
  for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
    if (!IsDigit(text[i])) return std::nullopt;
  }
  size_t at = 0;
  unsigned y = 0, m = 0, d = 0;
  ReadNumber(text, at, 4, 4, y);
  ++at;
  ReadNumber(text, at, 2, 2, m);
  ++at;
  ReadNumber(text, at, 2, 2, d);
  return DayOfParts(y, m, d);
}

std::string DayText(Day day) {
  const year_month_day date{sys_days(days(day))};
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
  return text;
}

std::optional<Day> ExpiryOf(const Variant& shelf_life, const Variant& expiry) {
  if (shelf_life.IsNull() || shelf_life.ToDouble() == 0) return std::nullopt;
  const std::string text = BatchDateText(expiry);
  return text.empty() ? std::nullopt : BatchDay(text);
}

bool IsExpired(const ExpiryRules& rules, std::optional<Day> expiry) {
  return expiry && *expiry < rules.document_date;
}

ExpiryMark MarkOf(const ExpiryRules& rules, std::optional<Day> expiry) {
  if (!rules.warn_days || !expiry) return ExpiryMark::kNone;
  if (IsExpired(rules, expiry)) return ExpiryMark::kExpired;
  return *expiry - rules.document_date <= *rules.warn_days ? ExpiryMark::kSoon : ExpiryMark::kNone;
}

std::string MarkReason(const ExpiryRules& rules, std::optional<Day> expiry) {
  const std::string document = DayText(rules.document_date);
  switch (MarkOf(rules, expiry)) {
    case ExpiryMark::kExpired:
      return "已过期：有效期至 " + DayText(*expiry) + "，早于单据日期 " + document + " " +
             std::to_string(rules.document_date - *expiry) + " 天";
    case ExpiryMark::kSoon:
      return "即将过期：有效期至 " + DayText(*expiry) + "，距单据日期 " + document + " 还有 " +
             std::to_string(*expiry - rules.document_date) + " 天（提前 " +
             std::to_string(*rules.warn_days) + " 天提醒）";
    case ExpiryMark::kNone:
      break;
  }
  return "";
}

}  // namespace qmz
