// The tokens of a T-SQL batch, as the adaption (suite/tsql/tsql_adaption.h) reads it: names and
// keywords (a bracketed name becomes a quoted one), quoted texts whole with their doubled quotes,
// runs of blanks (a comment becomes one blank), parentheses and single other characters (each
// digit of a number among them). The one scanner of a batch's pieces (ScanAt) is here too.
// Joining the tokens' texts gives the batch back, comments aside. Also the walks over tokens at
// top level (outside parentheses) that the adaption reads statements with: their depth, the
// comma-separated lists of a select (its items, GROUP BY and ORDER BY keys).
//
// Linear in the batch's length, without recursion: texts of any length (a user's search text)
// cost no stack. Errors: qmz::Error for an unterminated text, comment or bracketed name; the
// walks do not fail (unbalanced parentheses give depths below 0). Pure functions; safe on any
// thread. Ranges and positions index the vector they were found in.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

namespace qmz::suite {

// The pieces of a batch as written, which the tokens and the kept adaption's reading of values
// are both made of: a run of blanks, a quoted text with its doubled quotes, a bracketed name, a
// comment (to the line's end, or /* to */), a name or keyword, a run of digits that starts no
// name, and any other single character.
enum class Piece { kBlanks, kText, kBracketed, kComment, kWord, kDigits, kOther };
struct Scanned {
  Piece piece;
  size_t end;  // std::string::npos for an unterminated text, comment or bracketed name
};
// The piece of `s` that starts at `i` (< s.size()).
Scanned ScanAt(const std::string& s, size_t i);

enum class Kind { Word, Text, Space, Open, Close, Other };

struct Token {
  Kind kind;
  std::string text;
};

std::vector<Token> Tokenize(const std::string& s);

// Whether `c` may stand in a name after its first character (letters, digits, _ # @ $ and the
// bytes of characters beyond ASCII).
bool IsWordChar(char c);
// Whether `t` is the name or keyword `word`, in any case.
bool IsWord(const Token& t, const char* word);
std::string Join(const std::vector<Token>& tokens);
// The first token from `i` on that is not blank; tokens.size() when there is none.
size_t NextNonSpace(const std::vector<Token>& tokens, size_t i);
// The tokens without blanks.
std::vector<const Token*> Solid(const std::vector<Token>& tokens);
// Whether `tokens` are exactly these words (case-insensitive), other characters standing for
// themselves and "?" for any one token, which goes to `any` in order.
bool Matches(const std::vector<const Token*>& tokens, std::initializer_list<const char*> words,
             std::vector<const Token*>* any = nullptr);

// Calls `visit(i, depth)` for each token from `begin` on with its parenthesis depth, 0 at
// `begin`: an opening parenthesis counts as inside (1 at top level), a closing one as back outside
// (0 at top level). Stops where `visit` answers true and gives that position; else tokens.size().
template <typename Visit>
size_t WalkDepths(const std::vector<Token>& tokens, size_t begin, Visit&& visit) {
  int depth = 0;
  for (size_t i = begin; i < tokens.size(); ++i) {
    if (tokens[i].kind == Kind::Open) ++depth;
    if (tokens[i].kind == Kind::Close) --depth;
    if (visit(i, depth)) return i;
  }
  return tokens.size();
}

// The first position from `begin` on, at the depth of `begin`, for which `found(i)` is true;
// tokens.size() when there is none.
template <typename Found>
size_t FindTopLevel(const std::vector<Token>& tokens, size_t begin, Found&& found) {
  return WalkDepths(tokens, begin, [&](size_t i, int depth) { return depth == 0 && found(i); });
}

// The tokens [begin, end) of one item of a list, without the blanks around it. An empty item
// (nothing but blanks before its comma) is empty at that comma: begin == end == the comma.
struct TokenRange {
  size_t begin = 0;
  size_t end = 0;
  bool empty() const { return begin == end; }
};

// A comma-separated list: its items, an empty last one left out, and where it stopped.
struct TokenList {
  std::vector<TokenRange> items;
  size_t end = 0;  // the token `ends` stopped at, or tokens.size()
};

// The list from `begin` on, split at the commas at its own depth, up to the first token for which
// `ends(token, depth)` is true (depth as WalkDepths counts it).
TokenList ListAt(const std::vector<Token>& tokens, size_t begin,
                 bool (*ends)(const Token& token, int depth));

// The select list after the `select` at `select_at`: up to FROM or INTO at its depth, or up to the
// parenthesis that closes the subquery it is in.
TokenList SelectItems(const std::vector<Token>& tokens, size_t select_at);
// When the first select from `begin` on is `select * from (...) ...`, the position just inside
// that parenthesis; else tokens.size().
size_t StarSubqueryAt(const std::vector<Token>& tokens, size_t begin = 0);

}  // namespace qmz::suite
