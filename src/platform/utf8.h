// UTF-8 as code points, one rule for the whole library. A byte that does not begin a
// well-formed sequence (a stray continuation byte, a sequence cut short, an overlong form, a
// surrogate, a value past U+10FFFF) is one character of its own and decodes to U+DC00 plus the
// byte, a point no well-formed text decodes to: such bytes compare, match and count as
// themselves, and AppendUtf8 writes them back as the byte they were. A text leaving for UTF-16
// (suite/server/wide_text.h) gets U+FFFD in their place. Pure functions; safe on any thread.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qmz {

constexpr char32_t kReplacementCharacter = 0xFFFD;

// The code point at `i` (below text.size()); `i` moves past it.
char32_t NextCodePoint(std::string_view text, size_t& i);
std::u32string DecodeUtf8(std::string_view text);
// Whether `point` stands for a byte that began no well-formed sequence.
constexpr bool IsBadByte(char32_t point) {
  return point >= 0xDC80 && point <= 0xDCFF;
}
// Appends `point` as UTF-8; a bad byte's point as that byte.
void AppendUtf8(std::string& out, char32_t point);
// The bytes of the character that starts at `i` (below text.size()), and of the one that ends
// at `end` (above 0), as NextCodePoint reads them.
size_t CharacterLength(std::string_view text, size_t i);
size_t LastCharacterLength(std::string_view text, size_t end);

}  // namespace qmz
