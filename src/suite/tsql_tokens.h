// The tokens of a T-SQL batch, as the adaption (suite/tsql_adaption.h) reads it: names and
// keywords (a bracketed name becomes a quoted one), quoted texts whole with their doubled quotes,
// runs of blanks (a comment becomes one blank), parentheses and single other characters.
// Joining the tokens' texts gives the batch back, comments aside.
//
// Linear in the batch's length, without recursion: texts of any length (a user's search text)
// cost no stack. Errors: qmz::Error for an unterminated text, comment or bracketed name. Pure
// functions; safe on any thread.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

namespace qmz::suite {

enum class Kind { Word, Text, Space, Open, Close, Other };

struct Token {
  Kind kind;
  std::string text;
};

std::vector<Token> Tokenize(const std::string& s);

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

}  // namespace qmz::suite
