// UTF-8 to UTF-16 and back for the wide ODBC calls. The component converts its texts itself, so
// that no driver converts them through the process's locale: a host started under LC_ALL=C, a
// GB18030 or a UTF-8 locale sends and reads the same characters.
//
// Bytes that are no UTF-8 (platform/utf8.h) and unpaired surrogates become U+FFFD. Utf16Reader
// takes a text in pieces (a column read in chunks) and keeps a high surrogate that ends one piece
// for the next, so a character outside the BMP split across two pieces comes out whole. Pure
// functions and plain values; safe on any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qmz::suite {

std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

class Utf16Reader {
 public:
  void Append(const char16_t* units, size_t count);
  // The text read so far; a high surrogate still waiting for its pair becomes U+FFFD.
  std::string Finish();
  // The same, kept in the reader until Clear, which starts the next text in the same buffer.
  std::string_view Text();
  void Clear();

 private:
  std::string text_;
  char16_t pending_ = 0;
};

}  // namespace qmz::suite
