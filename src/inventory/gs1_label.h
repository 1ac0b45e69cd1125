// Reads a GS1 element string as a keyboard-wedge barcode scanner types it into a text box: every
// field of the label, and the GTIN, batch, dates, serial number and count the pickers use.
//
// Input: the box's text (UTF-8). Read in this order:
//  - a symbology identifier "]" + letter + digit: "]C1", "]e0", "]d2", "]Q3", "]J1" announce an
//    element string; "]E0" an EAN-13 or UPC-A (13 digits) and "]E4" an EAN-8 (8 digits), each
//    the label's GTIN, optionally followed by "|]e0" and the element string of its composite;
//    any other ("]C0", "]Q1", "]d1"...) announces plain data: no label, and the text after the
//    identifier is what was typed;
//  - then an optional group separator (GS, byte 29; some scanners send FNC1 so) is dropped;
//  - then "(" starts the bracketed form "(01)09501101530003(10)ABC(17)260131": each value runs
//    to the next "(" or the end, so a value there never holds "(" (")" it may);
//  - any other start is the scanner's form "010950110153000310ABC\x1d17260131": an AI whose
//    length is predefined (gs1_identifiers.h) takes exactly that many characters and may be
//    followed by a GS; any other value runs to the next GS or the end.
//
// The text counts as a label when it starts with a GS1 symbology identifier, starts with "(" +
// two to four digits + ")", holds a GS anywhere, or starts with "01" + 14 digits. Any other text
// ("B2601", "0123", "A'B", "") is not a label, and the caller treats it as typed text.
//
// Every AI of the table is read and checked (length, character set, check digit of a key, a
// date's month and day); one not in the table makes the label malformed. The pickers' fields:
//   01 GTIN (check digit verified), 10 batch, 21 serial number, 11 production date, 17 expiry
//   date (YYMMDD, year 20YY, day 00 the month's last day), 30 or 37 count (one per label).
// Each of these may occur once, any other AI once too.
//
// Output: a Gs1Reading: not a label (with the text it stands for); a label and its fields; or
// malformed, with a message in Chinese for the clerk naming what was read (a space or a byte
// outside printable ASCII shows as <GS> or in hex, <20>; a value of more than 40 bytes is cut
// to 40 and "..."), for example "标签的应用标识符 (99) 未知" or "标签的商品条码(01)
// 09501101530004 校验位错误".
//
// Limits: a label of more than 512 bytes is malformed (a plain text that long is still no label).
// Linear time, no recursion. Pure functions; safe on any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qmz {

struct Gs1Date {
  int year = 0;
  int month = 0;
  int day = 0;
  bool operator==(const Gs1Date&) const = default;
};

// "YYYY-MM-DD".
std::string FormatGs1Date(const Gs1Date& date);

struct Gs1Element {
  std::string ai;
  std::string value;
  bool operator==(const Gs1Element&) const = default;
};

struct Gs1Label {
  std::string gtin;  // 14 digits; empty when the label has none
  std::string batch;
  std::optional<Gs1Date> expiry;
  std::optional<Gs1Date> produced;
  std::string serial;
  std::optional<int64_t> count;
  std::vector<Gs1Element> elements;  // every field, in the order read
  bool operator==(const Gs1Label&) const = default;
};

struct Gs1Reading {
  enum class Kind { kNotALabel, kLabel, kMalformed };
  Kind kind = Kind::kNotALabel;
  Gs1Label label;     // kLabel only
  std::string error;  // kMalformed only
  std::string text;   // kNotALabel only: the text typed (after a plain-data identifier)
};

inline constexpr size_t kMaxGs1LabelBytes = 512;

Gs1Reading ReadGs1Label(std::string_view text);

// Whether the text is digits whose last is the GS1 mod-10 check digit of the others.
bool HasGs1CheckDigit(std::string_view digits);

}  // namespace qmz
