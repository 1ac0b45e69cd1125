#include "suite_functions.h"

#include "suite/sqlite_connection.h"

#if !QMZ_SUITE_REGISTERS_FUNCTIONS
#include <cstdint>
#include <string>
#include <string_view>
#endif

namespace qmz::bench {

#if QMZ_SUITE_REGISTERS_FUNCTIONS

void RegisterSuiteFunctions(sqlite3* db) {
  qmz::suite::RegisterSuiteFunctions(db);
}

#else
// ---------------------------------------------------------------------------------------------
// STAND-IN, FOR MEASURING ONLY. suite/sqlite_connection.h registers the collation and functions
// only on connections it opens itself and offers no call for a foreign sqlite3*. Until it does
// (qmz::suite::RegisterSuiteFunctions(sqlite3*); bench/CMakeLists.txt then switches to it by
// itself), this registers the same names: the collation and LIKE call the suite's own
// TsqlCompare and TsqlLike; charindex is a local copy of the suite's rules (1-based, ASCII case
// ignored, on UTF-8 code points, 0 when not found, NULL for a NULL argument). Delete this branch
// once the suite exposes its registration.
// ---------------------------------------------------------------------------------------------
namespace {

std::u32string CodePoints(const unsigned char* text) {
  std::u32string out;
  if (!text) return out;
  std::string_view s(reinterpret_cast<const char*>(text));
  for (size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
    if (i + length > s.size()) length = 1;
    char32_t point = length == 1 ? c : c & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) point = (point << 6) | (s[i + k] & 0x3F);
    out.push_back(point);
    i += length;
  }
  return out;
}

char32_t Folded(char32_t c) {
  return c >= 'A' && c <= 'Z' ? c + 32 : c;
}

std::string Text(sqlite3_value* value) {
  const unsigned char* text = sqlite3_value_text(value);
  return text ? reinterpret_cast<const char*>(text) : "";
}

void Like(sqlite3_context* context, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
    sqlite3_result_null(context);
    return;
  }
  // "text LIKE pattern" arrives as like(pattern, text).
  sqlite3_result_int(context, qmz::suite::TsqlLike(Text(argv[1]), Text(argv[0])) ? 1 : 0);
}

void CharIndex(sqlite3_context* context, int argc, sqlite3_value** argv) {
  for (int i = 0; i < argc; ++i) {
    if (sqlite3_value_type(argv[i]) == SQLITE_NULL) {
      sqlite3_result_null(context);
      return;
    }
  }
  std::u32string needle = CodePoints(sqlite3_value_text(argv[0]));
  std::u32string text = CodePoints(sqlite3_value_text(argv[1]));
  int64_t start = argc > 2 ? sqlite3_value_int64(argv[2]) : 1;
  if (start < 1) start = 1;
  if (!needle.empty()) {
    for (size_t i = static_cast<size_t>(start - 1); i + needle.size() <= text.size(); ++i) {
      size_t k = 0;
      while (k < needle.size() && Folded(text[i + k]) == Folded(needle[k])) ++k;
      if (k == needle.size()) {
        sqlite3_result_int64(context, static_cast<int64_t>(i + 1));
        return;
      }
    }
  }
  sqlite3_result_int(context, 0);
}

int Collate(void*, int la, const void* a, int lb, const void* b) {
  return qmz::suite::TsqlCompare(
      std::string_view(static_cast<const char*>(a), static_cast<size_t>(la)),
      std::string_view(static_cast<const char*>(b), static_cast<size_t>(lb)));
}

}  // namespace

void RegisterSuiteFunctions(sqlite3* db) {
  const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
  sqlite3_create_function(db, "like", 2, flags, nullptr, Like, nullptr, nullptr);
  sqlite3_create_function(db, "charindex", 2, flags, nullptr, CharIndex, nullptr, nullptr);
  sqlite3_create_function(db, "charindex", 3, flags, nullptr, CharIndex, nullptr, nullptr);
  sqlite3_create_collation(db, "TSQL", SQLITE_UTF8, nullptr, Collate);
}
#endif

}  // namespace qmz::bench
