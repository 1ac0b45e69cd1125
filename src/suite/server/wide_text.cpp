#include "suite/server/wide_text.h"

#include "platform/utf8.h"

namespace qmz::suite {

namespace {

bool IsHigh(char16_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLow(char16_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

void PutUtf16(std::u16string& out, char32_t c) {
  if (c < 0x10000) {
    out += static_cast<char16_t>(c);
  } else {
    c -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (c >> 10));
    out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
  }
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const char32_t point = NextCodePoint(text, i);
    PutUtf16(out, IsBadByte(point) ? kReplacementCharacter : point);
  }
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
      AppendUtf8(text_, kReplacementCharacter);
    }
    if (IsHigh(unit)) {
      pending_ = unit;
    } else {
      AppendUtf8(text_, IsLow(unit) ? kReplacementCharacter : char32_t{unit});
    }
  }
}

std::string Utf16Reader::Finish() {
  Text();
  return std::move(text_);
}

std::string_view Utf16Reader::Text() {
  if (pending_ != 0) AppendUtf8(text_, kReplacementCharacter);
  pending_ = 0;
  return text_;
}

void Utf16Reader::Clear() {
  text_.clear();
  pending_ = 0;
}

}  // namespace qmz::suite
