// The GS1 application identifiers (AIs) as one table: for each AI or range of AIs, the length
// of its value, its character set, whether its length is predefined (no group separator follows
// it in a scanned element string) and what the pickers make of it. The table follows GS1's
// published list of AIs (2024 edition); a code not in it is no AI.
//
// Pure data and lookups; safe on any thread.
#pragma once

#include <cstdint>
#include <string_view>

namespace qmz {

// What a label's field means to the pickers; kOther is read and checked, then left alone.
enum class Gs1Meaning : uint8_t {
  kOther,
  kGtin,      // 01
  kBatch,     // 10
  kProduced,  // 11
  kExpiry,    // 17
  kSerial,    // 21
  kCount,     // 30, 37
  kDate,      // 12, 13, 15, 16: a YYMMDD date, checked, not used
  kKey,       // a numeric key whose last digit is a GS1 check digit (00, 02, 03, 402, 41x...)
};

enum class Gs1Charset : uint8_t {
  kDigits,  // 0-9
  kSet82,   // GS1's character set 82 (set 39 lies within it)
  kSet64,   // GS1's character set 64 (A-Z a-z 0-9 - _ and = for padding)
};

struct Gs1Identifier {
  std::string_view first;  // the AI, or the first of a range of AIs of the same length
  std::string_view last;
  bool predefined;  // the length is fixed by the AI's first two digits: no separator follows
  uint8_t min_length;
  uint8_t max_length;
  Gs1Charset charset;
  Gs1Meaning meaning;
};

// The entry of an AI (two to four digits), or null when the code is no AI.
const Gs1Identifier* FindGs1Identifier(std::string_view code);

// How many digits the AI at the start of `text` has: the length of the table's AIs that share
// its first two digits, or 2 when none does (the text is then no AI).
size_t Gs1IdentifierLength(std::string_view text);

}  // namespace qmz
