// Reads a GS1 element string as a keyboard-wedge barcode scanner types it into a text box: the
// GTIN, batch, dates, serial number and count of a scanned label.
//
// Input: the box's text (UTF-8). Read in this order:
//  - an optional symbology identifier "]" + letter + digit ("]C1", "]d2", "]Q3") is dropped;
//  - then an optional group separator (GS, byte 29; some scanners send FNC1 so) is dropped;
//  - then "(" starts the bracketed form "(01)09501101530003(10)ABC(17)260131": each value runs
//    to the next "(" or the end, so a value there never holds "(" (")" it may);
//  - any other start is the scanner's form "010950110153000310ABC\x1d17260131": fixed-length
//    fields need no separator, a variable one ends at a GS or the end; a GS after a fixed field
//    is allowed; a value there may hold any character of its set, "(" and ")" included.
//
// The text counts as a label when it starts with a symbology identifier, starts with "(" + two
// to four digits + ")", holds a GS anywhere, or starts with "01" + 14 digits. Any other text
// ("B2601", "0123", "A'B", "") is not a label, and the caller treats it as typed text.
//
// Application identifiers read (any other makes the label malformed):
//   01 GTIN: 14 digits, with a right GS1 mod-10 check digit
//   10 batch, 21 serial number: 1 to 20 characters of GS1's character set 82
//      (! " % & ' ( ) * + , - . / 0-9 : ; < = > ? A-Z _ a-z)
//   11 production date, 17 expiry date: YYMMDD, year 20YY; day 00 is the month's last day
//   30, 37 count: 1 to 8 digits (one count per label)
// Each may occur once. A label without a GTIN is still a label. Whatever the symbology
// identifier, the rest is read as an element string (a plain EAN-13 after "]E0" is malformed).
//
// Output: a Gs1Reading: not a label; a label and its fields; or malformed, with an English
// message naming what was read (a space or a byte outside printable ASCII shows as <GS> or in
// hex, <20>; a value of more than 40 bytes is cut to 40 and "..."), in one of these forms:
//   The label is too long: N bytes, at most 512
//   The label is empty                       (nothing after the identifier and GS)
//   The label's application identifier 99 is not known          (scanner's form: two characters)
//   The label's application identifier (99) is not known        (bracketed form)
//   The label's application identifier (01 has no closing bracket
//   The label has more than one FIELD
//   The label's FIELD is empty
//   The label's GTIN 0950110153000 is not 14 digits
//   The label's GTIN 09501101530004 has a wrong check digit
//   The label's expiry date 2613 is not 6 digits   (also: production date)
//   The label's expiry date 261332 is not a date
//   The label's batch ABCDEFGHIJKLMNOPQRSTU is longer than 20 characters   (also: serial number)
//   The label's batch A#B holds a character outside GS1's set: #
//   The label's count 12a is not a number of up to 8 digits
// FIELD is one of: GTIN, batch, production date, expiry date, serial number, count.
//
// Limits: a label of more than 512 bytes is malformed (a plain text that long is still no label).
// Linear time, no recursion. Pure functions; safe on any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qmz {

struct Gs1Date {
  int year = 0;
  int month = 0;
  int day = 0;
  bool operator==(const Gs1Date&) const = default;
};

// "YYYY-MM-DD".
std::string FormatGs1Date(const Gs1Date& date);

struct Gs1Label {
  std::string gtin;  // empty when the label has none
  std::string batch;
  std::optional<Gs1Date> expiry;
  std::optional<Gs1Date> produced;
  std::string serial;
  std::optional<int64_t> count;
  bool operator==(const Gs1Label&) const = default;
};

struct Gs1Reading {
  enum class Kind { kNotALabel, kLabel, kMalformed };
  Kind kind = Kind::kNotALabel;
  Gs1Label label;     // kLabel only
  std::string error;  // kMalformed only
};

inline constexpr size_t kMaxGs1LabelBytes = 512;

Gs1Reading ReadGs1Label(std::string_view text);

// Whether the text is 14 digits whose last is the GS1 mod-10 check digit of the others.
bool IsValidGtin14(std::string_view text);

}  // namespace qmz
