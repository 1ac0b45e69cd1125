#include "suite/tsql/tsql_tokens.h"

#include <cctype>
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

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsDigit(char c) {
  return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// Where the piece of `kind` that starts at `i` ends; npos when unterminated.
size_t EndOf(const std::string& s, size_t i, Piece kind) {
  switch (kind) {
    case Piece::kText:
      for (size_t j = i + 1; j < s.size(); ++j) {
        if (s[j] != '\'') continue;
        if (j + 1 < s.size() && s[j + 1] == '\'') {
          ++j;
          continue;
        }
        return j + 1;
      }
      return std::string::npos;
    case Piece::kBracketed: {
      const size_t end = s.find(']', i);
      return end == std::string::npos ? end : end + 1;
    }
    case Piece::kComment: {
      if (s[i] == '-') {
        const size_t end = s.find('\n', i);
        return end == std::string::npos ? s.size() : end;
      }
      const size_t end = s.find("*/", i + 2);
      return end == std::string::npos ? end : end + 2;
    }
    case Piece::kBlanks:
    case Piece::kWord:
    case Piece::kDigits: {
      bool (*within)(char) = kind == Piece::kBlanks ? IsBlank
                             : kind == Piece::kWord ? IsWordChar
                                                    : IsDigit;
      size_t end = i + 1;
      while (end < s.size() && within(s[end])) ++end;
      return end;
    }
    case Piece::kOther:
      break;
  }
  return i + 1;
}

}  // namespace

Scanned ScanAt(const std::string& s, size_t i) {
  const char c = s[i];
  const bool comment =
      (c == '-' && s.compare(i, 2, "--") == 0) || (c == '/' && s.compare(i, 2, "/*") == 0);
  const Piece kind = comment          ? Piece::kComment
                     : c == '\''      ? Piece::kText
                     : c == '['       ? Piece::kBracketed
                     : IsBlank(c)     ? Piece::kBlanks
                     : IsWordStart(c) ? Piece::kWord
                     : IsDigit(c)     ? Piece::kDigits
                                      : Piece::kOther;
  return {kind, EndOf(s, i, kind)};
}

std::vector<Token> Tokenize(const std::string& s) {
  std::vector<Token> tokens;
  for (size_t i = 0; i < s.size();) {
    const Scanned scanned = ScanAt(s, i);
    if (scanned.end == std::string::npos) {
      switch (scanned.piece) {
        case Piece::kText:
          throw Error("Unterminated text in the SQL batch: " + s.substr(i, 40));
        case Piece::kComment:
          throw Error("Unterminated comment in the SQL batch");
        default:
          throw Error("Unterminated name in the SQL batch");
      }
    }
    const std::string text = s.substr(i, scanned.end - i);
    switch (scanned.piece) {
      case Piece::kText:
        tokens.push_back({Kind::Text, text});
        break;
      case Piece::kComment:
        tokens.push_back({Kind::Space, " "});
        break;
      case Piece::kBlanks:
        tokens.push_back({Kind::Space, text});
        break;
      case Piece::kBracketed:
        tokens.push_back({Kind::Word, "\"" + text.substr(1, text.size() - 2) + "\""});
        break;
      case Piece::kWord:
        tokens.push_back({Kind::Word, text});
        break;
      case Piece::kDigits:
      case Piece::kOther:
        for (char c : text) {
          tokens.push_back({c == '('   ? Kind::Open
                            : c == ')' ? Kind::Close
                                       : Kind::Other,
                            std::string(1, c)});
        }
        break;
    }
    i = scanned.end;
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
