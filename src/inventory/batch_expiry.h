// Batches' expiry against the document date, as the host asks for it through host properties:
//  - ExpiryWarnDays=N: a batch pickers' row whose expiry date (有效期至) is before the document
//    date is marked expired, one within N days of it (the document date itself included) soon;
//  - DocumentDate: the date the marks are reckoned against, exactly "YYYY-MM-DD" (blanks around
//    it aside); today's local date when unset;
//  - HideExpired (a flag): expired rows are left out of the batch pickers;
//  - BatchOrder=FEFO: the first batch picker lists first-expiry-first;
//  - AllowExpired (a flag): a quantity may be covered from expired batches.
// A host that sets none of them gets none of this. A row has an expiry only where its grid shows
// one: the item keeps a shelf life (FISKFPeriod not 0) and the date shown reads as a date
// (BatchDay), not the suite's 1900-01-01 for none (inventory/batch_dates.h).
//
// Errors (qmz::Error, naming the property and what it held): a DocumentDate that is not
// YYYY-MM-DD, an ExpiryWarnDays that is no whole number from 0, a BatchOrder other than FEFO, a
// flag that is none (login/host_props.h). Reads the host properties; pure otherwise; any
// thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "qmz/variant.h"

namespace qmz {

// A date as days since 1970-01-01.
using Day = int64_t;

struct ExpiryRules {
  std::optional<int32_t> warn_days;  // ExpiryWarnDays; none: no marks
  Day document_date = 0;
  bool hide_expired = false;
  bool fefo = false;
  bool allow_expired = false;
};

ExpiryRules ReadExpiryRules();

// The day of a batch date as a grid shows it: year, month and day with "-", "/" or "." between
// them (month and day of one or two digits: 2026-1-5, 2026/01/05) or eight digits (20260105),
// then nothing, or a blank or "T" and a time (digits, ":", "."); nullopt for anything else or a
// day that does not exist.
std::optional<Day> BatchDay(std::string_view text);
// The day of exactly "YYYY-MM-DD"; nullopt otherwise.
std::optional<Day> IsoDay(std::string_view text);
std::string DayText(Day day);

// The expiry of a row from its shelf-life flag (FISKFPeriod) and expiry date (FPeriodDate).
std::optional<Day> ExpiryOf(const Variant& shelf_life, const Variant& expiry);

enum class ExpiryMark { kNone, kSoon, kExpired };

// Expired is before the document date; soon is within warn_days of it (only with warn_days).
bool IsExpired(const ExpiryRules& rules, std::optional<Day> expiry);
ExpiryMark MarkOf(const ExpiryRules& rules, std::optional<Day> expiry);
// Why a row is marked, for its tool tip; "" for an unmarked row.
std::string MarkReason(const ExpiryRules& rules, std::optional<Day> expiry);

}  // namespace qmz
