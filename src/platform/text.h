// Text helpers shared by the whole library. Texts are UTF-8; "blank" means U+0020 only and
// case folding touches ASCII letters only, as the suite's own comparisons do.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qmz {

std::string Trim(std::string_view text);
// Trimmed of blanks and tabs, as ODBC and libpq connection strings are.
std::string TrimBlanksAndTabs(std::string_view text);
std::string ToLowerAscii(std::string_view text);
std::string ToUpperAscii(std::string_view text);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
// Whether `text`, past its leading blanks, tabs and line breaks, begins with `word` ignoring
// ASCII case, as a whole word (no ASCII letter, digit or underscore follows).
bool StartsWithWord(std::string_view text, std::string_view word);
// Position of `needle` in `haystack` ignoring ASCII case, or npos.
size_t FindIgnoreCase(std::string_view haystack, std::string_view needle);
// Compares two texts as the suite's databases collate them: byte by byte with ASCII letters
// folded to one case and trailing blanks ignored ("b2601 " equals "B2601"). Below, at or above
// zero as `a` sorts before, with or after `b`.
// The one collation compare; the recordset's own orders (platform/record_order.cpp) make keys
// that order as it does.
int CompareCollated(std::string_view a, std::string_view b);
// A recordset's Sort and Filter rule, which is not the databases': ASCII letters folded to one
// case, trailing blanks counted ("b1 " sorts after "B1").
int CompareIgnoringCase(std::string_view a, std::string_view b);
// Every single quote doubled, for a quoted SQL literal or LIKE pattern.
std::string DoubleQuotes(std::string_view text);
// Replaces every occurrence of `from` (non-empty) by `to`.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);
// The pieces between separators; "" gives one empty piece.
std::vector<std::string> SplitText(std::string_view text, char separator);

}  // namespace qmz
