// Like: the wildcard match of the suite's scripting language (its Like operator with binary
// comparison), on UTF-8 code points and case-sensitive.
//
//   ?        any one character
//   *        any run of characters, also none
//   #        one digit 0-9
//   [list]   one character of the list; a-z inside the list is a range (ascending only),
//            a "-" first or last in the list stands for itself; [*], [?], [#], [[] match the
//            character itself; [] matches nothing (no character)
//   [!list]  one character not in the list; [!] matches any one character
// Any other character matches itself; "]" outside a list too. The pattern must cover the
// whole text. A "[" without its "]" or a descending range raises an Error ("Invalid pattern
// string"), whatever the text. Bytes that are not valid UTF-8 each count as one character that
// matches only the same byte.
//
// Matching runs in O(text length x pattern length) at worst (no exponential backtracking).
// A pure function; safe on any thread.
#pragma once

#include <string>

namespace qmz {

bool Like(const std::string& text, const std::string& pattern);

}  // namespace qmz
