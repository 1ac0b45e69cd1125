#include "platform/utf8.h"

namespace qmz {

namespace {

// The length a lead byte announces, 0 for a byte that leads nothing.
size_t AnnouncedLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

// The point of the well-formed sequence of `length` bytes at `i`, or nothing (-1).
char32_t WellFormed(std::string_view text, size_t i, size_t length) {
  constexpr char32_t kNone = static_cast<char32_t>(-1);
  if (length == 0 || i + length > text.size()) return kNone;
  const auto lead = static_cast<unsigned char>(text[i]);
  char32_t point = lead & (0x7F >> length);
  for (size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(text[i + k]);
    if ((next & 0xC0) != 0x80) return kNone;
    point = (point << 6) | (next & 0x3F);
  }
  constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  if (point < kLeast[length] || (point >= 0xD800 && point <= 0xDFFF) || point > 0x10FFFF) {
    return kNone;
  }
  return point;
}

}  // namespace

char32_t NextCodePoint(std::string_view text, size_t& i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  if (lead < 0x80) {
    ++i;
    return lead;
  }
  const size_t length = AnnouncedLength(lead);
  const char32_t point = WellFormed(text, i, length);
  if (point == static_cast<char32_t>(-1)) {
    ++i;
    return 0xDC00 + lead;
  }
  i += length;
  return point;
}

std::u32string DecodeUtf8(std::string_view text) {
  std::u32string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) out += NextCodePoint(text, i);
  return out;
}

void AppendUtf8(std::string& out, char32_t point) {
  if (point < 0x80 || IsBadByte(point)) {
    out += static_cast<char>(point & 0xFF);
  } else if (point < 0x800) {
    out += static_cast<char>(0xC0 | (point >> 6));
    out += static_cast<char>(0x80 | (point & 0x3F));
  } else if (point < 0x10000) {
    out += static_cast<char>(0xE0 | (point >> 12));
    out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (point & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (point >> 18));
    out += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (point & 0x3F));
  }
}

size_t CharacterLength(std::string_view text, size_t i) {
  const size_t start = i;
  NextCodePoint(text, i);
  return i - start;
}

size_t LastCharacterLength(std::string_view text, size_t end) {
  // A well-formed character begins at the nearest byte before `end` that is no continuation
  // byte; nothing before that byte can take it in. Anything else ends with a bad byte.
  for (size_t start = end; start > 0 && end - start < 4;) {
    --start;
    if ((static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) continue;
    size_t i = start;
    NextCodePoint(text, i);
    return i == end ? end - start : 1;
  }
  return 1;
}

}  // namespace qmz
