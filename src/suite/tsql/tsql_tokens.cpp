#include "suite/tsql/tsql_tokens.h"

#include <string_view>

#include "platform/text.h"
#include "qmz/error.h"

namespace qmz::suite {

namespace {

bool IsWordStart(char c) {
  return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == '#' || c == '@' ||
         (c & 0x80) != 0;
}

}  // namespace

bool IsWordChar(char c) {
  return IsWordStart(c) || std::isdigit(static_cast<unsigned char>(c)) || c == '$';
}

std::vector<Token> Tokenize(const std::string& s) {
  std::vector<Token> tokens;
  size_t i = 0;
  while (i < s.size()) {
    char c = s[i];
    size_t start = i;
    if (c == '\'') {
      ++i;
      while (true) {
        if (i >= s.size())
          throw Error("Unterminated text in the SQL batch: " + s.substr(start, 40));
        if (s[i] == '\'' && i + 1 < s.size() && s[i + 1] == '\'') {
          i += 2;
        } else if (s[i] == '\'') {
          ++i;
          break;
        } else {
          ++i;
        }
      }
      tokens.push_back({Kind::Text, s.substr(start, i - start)});
    } else if (c == '-' && i + 1 < s.size() && s[i + 1] == '-') {
      while (i < s.size() && s[i] != '\n') ++i;
      tokens.push_back({Kind::Space, " "});
    } else if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
      size_t end = s.find("*/", i + 2);
      if (end == std::string::npos) throw Error("Unterminated comment in the SQL batch");
      i = end + 2;
      tokens.push_back({Kind::Space, " "});
    } else if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\r' || s[i] == '\n')) ++i;
      tokens.push_back({Kind::Space, s.substr(start, i - start)});
    } else if (c == '[') {
      size_t end = s.find(']', i);
      if (end == std::string::npos) throw Error("Unterminated name in the SQL batch");
      i = end + 1;
      tokens.push_back({Kind::Word, "\"" + s.substr(start + 1, end - start - 1) + "\""});
    } else if (IsWordStart(c)) {
      while (i < s.size() && IsWordChar(s[i])) ++i;
      tokens.push_back({Kind::Word, s.substr(start, i - start)});
    } else {
      ++i;
      tokens.push_back({c == '('   ? Kind::Open
                        : c == ')' ? Kind::Close
                                   : Kind::Other,
                        std::string(1, c)});
    }
  }
  return tokens;
}

bool IsWord(const Token& t, const char* word) {
  return t.kind == Kind::Word && EqualsIgnoreCase(t.text, word);
}

std::string Join(const std::vector<Token>& tokens) {
  std::string out;
  for (const Token& t : tokens) out += t.text;
  return out;
}

size_t NextNonSpace(const std::vector<Token>& tokens, size_t i) {
  while (i < tokens.size() && tokens[i].kind == Kind::Space) ++i;
  return i;
}

std::vector<const Token*> Solid(const std::vector<Token>& tokens) {
  std::vector<const Token*> solid;
  for (const Token& t : tokens) {
    if (t.kind != Kind::Space) solid.push_back(&t);
  }
  return solid;
}

bool Matches(const std::vector<const Token*>& tokens, std::initializer_list<const char*> words,
             std::vector<const Token*>* any) {
  if (tokens.size() != words.size()) return false;
  size_t i = 0;
  for (const char* word : words) {
    const Token& t = *tokens[i++];
    if (std::string_view(word) == "?") {
      if (any) any->push_back(&t);
    } else if (t.kind == Kind::Word ? !EqualsIgnoreCase(t.text, word) : t.text != word) {
      return false;
    }
  }
  return true;
}

TokenList ListAt(const std::vector<Token>& tokens, size_t begin,
                 bool (*ends)(const Token& token, int depth)) {
  TokenList list;
  bool open = false;  // an item has begun: its first token is not blank
  TokenRange item;
  list.end = WalkDepths(tokens, begin, [&](size_t i, int depth) {
    const Token& t = tokens[i];
    if (ends(t, depth)) return true;
    if (depth == 0 && t.text == ",") {
      list.items.push_back(open ? item : TokenRange{i, i});
      open = false;
    } else if (t.kind != Kind::Space) {
      if (!open) item.begin = i;
      item.end = i + 1;
      open = true;
    }
    return false;
  });
  if (open) list.items.push_back(item);
  return list;
}

TokenList SelectItems(const std::vector<Token>& tokens, size_t select_at) {
  return ListAt(tokens, select_at + 1, [](const Token& t, int depth) {
    return (t.kind == Kind::Close && depth < 0) ||
           (depth == 0 && (IsWord(t, "from") || IsWord(t, "into")));
  });
}

size_t StarSubqueryAt(const std::vector<Token>& tokens, size_t begin) {
  size_t select = begin;
  while (select < tokens.size() && !IsWord(tokens[select], "select")) ++select;
  if (select == tokens.size()) return tokens.size();
  const TokenList list = SelectItems(tokens, select);
  size_t solid = 0;
  bool star = false;
  for (const TokenRange& item : list.items) {
    if (item.empty()) continue;
    ++solid;
    star = item.end - item.begin == 1 && tokens[item.begin].text == "*";
  }
  if (solid != 1 || !star) return tokens.size();
  const size_t from = NextNonSpace(tokens, list.end);
  const size_t open = NextNonSpace(tokens, from + 1);
  if (from >= tokens.size() || !IsWord(tokens[from], "from") || open >= tokens.size() ||
      tokens[open].kind != Kind::Open) {
    return tokens.size();
  }
  return open + 1;
}

}  // namespace qmz::suite
