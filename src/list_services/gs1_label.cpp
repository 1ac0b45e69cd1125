#include "list_services/gs1_label.h"

#include <array>
#include <cstdio>

namespace qmz {

namespace {

constexpr char kGs = '\x1d';
constexpr size_t kMaxText = 20;  // batch, serial number
constexpr size_t kMaxCountDigits = 8;
constexpr size_t kShownBytes = 40;

enum class Field { kGtin, kBatch, kProduced, kExpiry, kSerial, kCount };

struct Identifier {
  std::string_view code;
  Field field;
  size_t fixed;  // the value's length; 0 for a variable one
};

constexpr std::array<Identifier, 7> kIdentifiers{{
    {"01", Field::kGtin, 14},
    {"10", Field::kBatch, 0},
    {"11", Field::kProduced, 6},
    {"17", Field::kExpiry, 6},
    {"21", Field::kSerial, 0},
    {"30", Field::kCount, 0},
    {"37", Field::kCount, 0},
}};

const Identifier* FindIdentifier(std::string_view code) {
  for (const Identifier& identifier : kIdentifiers) {
    if (identifier.code == code) return &identifier;
  }
  return nullptr;
}

// The fields' names in messages, in the order of Field.
constexpr std::array<std::string_view, 6> kFieldNames{
    "GTIN", "batch", "production date", "expiry date", "serial number", "count"};

std::string_view FieldName(Field field) {
  return kFieldNames[static_cast<size_t>(field)];
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsAsciiLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool AllDigits(std::string_view text) {
  for (char c : text) {
    if (!IsDigit(c)) return false;
  }
  return true;
}

// GS1's character set 82: printable ASCII but space # $ @ [ \ ] ^ ` { | } ~.
bool InSet82(char c) {
  if (c < '!' || c > 'z') return false;
  switch (c) {
    case '#':
    case '$':
    case '@':
    case '[':
    case '\\':
    case ']':
    case '^':
    case '`':
      return false;
    default:
      return true;
  }
}

// A byte as a message shows it: visible ASCII as it is, GS as <GS>, any other (a space too) in
// hex.
std::string ShownByte(char c) {
  if (c > ' ' && c <= '~') return std::string(1, c);
  if (c == kGs) return "<GS>";
  char hex[8];
  std::snprintf(hex, sizeof hex, "<%02X>", static_cast<unsigned>(static_cast<unsigned char>(c)));
  return hex;
}

std::string Shown(std::string_view value) {
  std::string shown;
  for (size_t i = 0; i < value.size() && i < kShownBytes; ++i) shown += ShownByte(value[i]);
  if (value.size() > kShownBytes) shown += "...";
  return shown;
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

int TwoDigits(std::string_view text, size_t at) {
  return (text[at] - '0') * 10 + (text[at + 1] - '0');
}

// YYMMDD, six digits: the date, or none when the month or day does not exist.
std::optional<Gs1Date> ParseDate(std::string_view digits) {
  Gs1Date date{2000 + TwoDigits(digits, 0), TwoDigits(digits, 2), TwoDigits(digits, 4)};
  if (date.month < 1 || date.month > 12) return std::nullopt;
  const int last = DaysInMonth(date.year, date.month);
  if (date.day == 0) date.day = last;
  if (date.day > last) return std::nullopt;
  return date;
}

// Checks one field's value and puts it into the label; the error message, or empty.
std::string Store(Field field, std::string_view value, Gs1Label& label, unsigned& seen) {
  const std::string name(FieldName(field));
  const unsigned bit = 1u << static_cast<unsigned>(field);
  if (seen & bit) return "The label has more than one " + name;
  seen |= bit;
  if (value.empty()) return "The label's " + name + " is empty";
  const std::string prefix = "The label's " + name + " " + Shown(value);
  switch (field) {
    case Field::kGtin:
      if (value.size() != 14 || !AllDigits(value)) return prefix + " is not 14 digits";
      if (!IsValidGtin14(value)) return prefix + " has a wrong check digit";
      label.gtin = value;
      return {};
    case Field::kProduced:
    case Field::kExpiry: {
      if (value.size() != 6 || !AllDigits(value)) return prefix + " is not 6 digits";
      const std::optional<Gs1Date> date = ParseDate(value);
      if (!date) return prefix + " is not a date";
      (field == Field::kExpiry ? label.expiry : label.produced) = date;
      return {};
    }
    case Field::kBatch:
    case Field::kSerial:
      if (value.size() > kMaxText) return prefix + " is longer than 20 characters";
      for (char c : value) {
        if (!InSet82(c)) return prefix + " holds a character outside GS1's set: " + ShownByte(c);
      }
      (field == Field::kBatch ? label.batch : label.serial) = value;
      return {};
    case Field::kCount: {
      if (value.size() > kMaxCountDigits || !AllDigits(value)) {
        return prefix + " is not a number of up to 8 digits";
      }
      int64_t count = 0;
      for (char c : value) count = count * 10 + (c - '0');
      label.count = count;
      return {};
    }
  }
  return {};
}

std::string UnknownIdentifier(std::string_view shown) {
  return "The label's application identifier " + std::string(shown) + " is not known";
}

// The scanner's form: two-digit identifiers, fixed values without separator, variable ones
// ending at a GS or the end.
std::string ReadScannerForm(std::string_view text, Gs1Label& label) {
  unsigned seen = 0;
  size_t at = 0;
  while (at < text.size()) {
    const std::string_view code = text.substr(at, 2);
    const Identifier* identifier = FindIdentifier(code);
    if (!identifier) return UnknownIdentifier(Shown(code));
    at += code.size();
    size_t end = text.find(kGs, at);
    if (end == std::string_view::npos) end = text.size();
    if (identifier->fixed != 0 && end - at > identifier->fixed) end = at + identifier->fixed;
    std::string error = Store(identifier->field, text.substr(at, end - at), label, seen);
    if (!error.empty()) return error;
    at = end;
    if (at < text.size() && text[at] == kGs) ++at;
  }
  return {};
}

// The bracketed form: "(" identifier ")" value, each value running to the next "(" or the end.
std::string ReadBracketForm(std::string_view text, Gs1Label& label) {
  unsigned seen = 0;
  size_t at = 0;
  while (at < text.size()) {
    // Here text[at] is "(": the text starts so, and each value ends before one.
    const size_t close = text.find_first_of("()", at + 1);
    if (close == std::string_view::npos || text[close] == '(') {
      const size_t end = close == std::string_view::npos ? text.size() : close;
      return "The label's application identifier " + Shown(text.substr(at, end - at)) +
             " has no closing bracket";
    }
    const std::string_view code = text.substr(at + 1, close - at - 1);
    const Identifier* identifier = FindIdentifier(code);
    if (!identifier) return UnknownIdentifier("(" + Shown(code) + ")");
    size_t end = text.find('(', close + 1);
    if (end == std::string_view::npos) end = text.size();
    std::string error =
        Store(identifier->field, text.substr(close + 1, end - close - 1), label, seen);
    if (!error.empty()) return error;
    at = end;
  }
  return {};
}

bool StartsWithSymbologyIdentifier(std::string_view text) {
  return text.size() >= 3 && text[0] == ']' && IsAsciiLetter(text[1]) && IsDigit(text[2]);
}

// "(" + two to four digits + ")".
bool StartsWithBracketedIdentifier(std::string_view text) {
  if (text.empty() || text[0] != '(') return false;
  size_t digits = 0;
  while (1 + digits < text.size() && IsDigit(text[1 + digits])) ++digits;
  return digits >= 2 && digits <= 4 && 1 + digits < text.size() && text[1 + digits] == ')';
}

bool IsLabel(std::string_view text) {
  return StartsWithSymbologyIdentifier(text) || text.find(kGs) != std::string_view::npos ||
         StartsWithBracketedIdentifier(text) ||
         (text.size() >= 16 && text.substr(0, 2) == "01" && AllDigits(text.substr(2, 14)));
}

Gs1Reading Malformed(std::string error) {
  Gs1Reading reading;
  reading.kind = Gs1Reading::Kind::kMalformed;
  reading.error = std::move(error);
  return reading;
}

}  // namespace

std::string FormatGs1Date(const Gs1Date& date) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year, date.month, date.day);
  return text;
}

bool IsValidGtin14(std::string_view text) {
  if (text.size() != 14 || !AllDigits(text)) return false;
  int sum = 0;
  for (size_t i = 0; i < 13; ++i) sum += (text[i] - '0') * (i % 2 == 0 ? 3 : 1);
  return (10 - sum % 10) % 10 == text[13] - '0';
}

Gs1Reading ReadGs1Label(std::string_view text) {
  if (!IsLabel(text)) return {};
  if (text.size() > kMaxGs1LabelBytes) {
    return Malformed("The label is too long: " + std::to_string(text.size()) + " bytes, at most " +
                     std::to_string(kMaxGs1LabelBytes));
  }
  if (StartsWithSymbologyIdentifier(text)) text.remove_prefix(3);
  if (!text.empty() && text[0] == kGs) text.remove_prefix(1);
  if (text.empty()) return Malformed("The label is empty");
  Gs1Reading reading;
  const std::string error =
      text[0] == '(' ? ReadBracketForm(text, reading.label) : ReadScannerForm(text, reading.label);
  if (!error.empty()) return Malformed(error);
  reading.kind = Gs1Reading::Kind::kLabel;
  return reading;
}

}  // namespace qmz
