#include "suite/server/wide_text.h"

namespace qmz::suite {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsHigh(char16_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLow(char16_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

namespace {

void PutUtf16(std::u16string& out, char32_t c) {
  if (c < 0x10000) {
    out += static_cast<char16_t>(c);
  } else {
    c -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (c >> 10));
    out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
  }
}

// The code point at `i` of UTF-8 text, or U+FFFD for a byte that does not start a valid
// sequence (then one byte is consumed).
char32_t NextCodePoint(std::string_view text, size_t& i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  size_t length = lead < 0x80                    ? 1
                  : lead >= 0xC2 && lead <= 0xDF ? 2
                  : lead >= 0xE0 && lead <= 0xEF ? 3
                  : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                 : 0;
  if (length == 1) {
    ++i;
    return lead;
  }
  if (length == 0 || i + length > text.size()) {
    ++i;
    return kReplacement;
  }
  char32_t c = lead & (0x7F >> length);
  for (size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(text[i + k]);
    if ((next & 0xC0) != 0x80) {
      ++i;
      return kReplacement;
    }
    c = (c << 6) | (next & 0x3F);
  }
  // Overlong forms, surrogates and values past U+10FFFF are not characters.
  const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
  if (c < least[length] || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
    ++i;
    return kReplacement;
  }
  i += length;
  return c;
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) PutUtf16(out, NextCodePoint(text, i));
  return out;
}

std::u32string Utf8ToUtf32(std::string_view text) {
  std::u32string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) out += NextCodePoint(text, i);
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  Utf16Reader reader;
  reader.Append(text.data(), text.size());
  return reader.Finish();
}

void Utf16Reader::Append(const char16_t* units, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    const char16_t unit = units[i];
    if (unit < 0x80 && pending_ == 0) {
      text_.push_back(static_cast<char>(unit));
      continue;
    }
    if (pending_ != 0) {
      const char16_t high = pending_;
      pending_ = 0;
      if (IsLow(unit)) {
        AppendUtf8(text_, 0x10000 + ((char32_t{high} - 0xD800) << 10) + (unit - 0xDC00));
        continue;
      }
      AppendUtf8(text_, kReplacement);
    }
    if (IsHigh(unit)) {
      pending_ = unit;
    } else {
      AppendUtf8(text_, IsLow(unit) ? kReplacement : char32_t{unit});
    }
  }
}

std::string Utf16Reader::Finish() {
  Text();
  return std::move(text_);
}

std::string_view Utf16Reader::Text() {
  if (pending_ != 0) AppendUtf8(text_, kReplacement);
  pending_ = 0;
  return text_;
}

void Utf16Reader::Clear() {
  text_.clear();
  pending_ = 0;
}

}  // namespace qmz::suite
