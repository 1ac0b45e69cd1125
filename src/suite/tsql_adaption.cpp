#include "suite/tsql_adaption.h"

#include <regex>

#include "platform/text.h"
#include "qmz/error.h"

namespace qmz::suite {

namespace {

enum class Kind { Word, Text, Space, Open, Close, Other };

struct Token {
  Kind kind;
  std::string text;
};

bool IsWordStart(char c) {
  return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == '#' || c == '@' ||
         (c & 0x80) != 0;
}
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

// Splits the tokens into statements at top-level set / IF / select.
std::vector<std::vector<Token>> SplitStatements(const std::vector<Token>& tokens) {
  std::vector<std::vector<Token>> statements;
  std::vector<Token> current;
  int depth = 0;
  const Token* previous_word = nullptr;
  const Token* lead_word = nullptr;
  for (const Token& t : tokens) {
    if (t.kind == Kind::Open) ++depth;
    if (t.kind == Kind::Close) --depth;
    bool after_union =
        previous_word && (IsWord(*previous_word, "union") || IsWord(*previous_word, "all"));
    bool in_update = lead_word && IsWord(*lead_word, "update");
    bool starts = depth == 0 && t.kind == Kind::Word &&
                  ((IsWord(t, "set") && !in_update) || IsWord(t, "if") ||
                   (IsWord(t, "select") && !after_union));
    if (starts && !current.empty()) {
      statements.push_back(std::move(current));
      current.clear();
      lead_word = nullptr;
    }
    current.push_back(t);
    if (t.kind == Kind::Word) {
      previous_word = &t;
      if (!lead_word) lead_word = &t;
    }
  }
  if (!current.empty()) statements.push_back(std::move(current));
  return statements;
}

std::string Join(const std::vector<Token>& tokens) {
  std::string out;
  for (const Token& t : tokens) out += t.text;
  return out;
}

// Quotes #names and renames isNull, outside quoted texts.
std::string Rewrite(const std::vector<Token>& tokens) {
  std::string out;
  for (size_t i = 0; i < tokens.size(); ++i) {
    const Token& t = tokens[i];
    if (t.kind == Kind::Word && t.text[0] == '#') {
      out += "\"" + t.text + "\"";
    } else if (IsWord(t, "isnull")) {
      size_t next = i + 1;
      while (next < tokens.size() && tokens[next].kind == Kind::Space) ++next;
      out += (next < tokens.size() && tokens[next].kind == Kind::Open) ? "ifnull" : t.text;
    } else {
      out += t.text;
    }
  }
  return out;
}

std::string AdaptIf(const std::string& statement) {
  static const std::regex drop(
      R"(^\s*IF\s+object_id\s*\(\s*'tempdb\.\.(#\w+)'\s*\)\s+IS\s+NOT\s+NULL\s+DROP\s+TABLE\s+(#\w+)\s*$)",
      std::regex::icase);
  std::smatch m;
  if (!std::regex_match(statement, m, drop) || !EqualsIgnoreCase(m[1].str(), m[2].str())) {
    throw Error("The suite cannot run this statement: " + Trim(statement));
  }
  return "DROP TABLE IF EXISTS \"" + m[2].str() + "\"";
}

std::string AdaptSelect(std::vector<Token> tokens) {
  int depth = 0;
  for (size_t i = 0; i < tokens.size(); ++i) {
    if (tokens[i].kind == Kind::Open) ++depth;
    if (tokens[i].kind == Kind::Close) --depth;
    if (depth != 0 || !IsWord(tokens[i], "into")) continue;
    size_t name = i + 1;
    while (name < tokens.size() && tokens[name].kind == Kind::Space) ++name;
    if (name >= tokens.size() || tokens[name].kind != Kind::Word || tokens[name].text[0] != '#') {
      throw Error("The suite can only select into temporary tables: " + Trim(Join(tokens)));
    }
    std::string table = tokens[name].text;
    tokens.erase(tokens.begin() + static_cast<std::ptrdiff_t>(i),
                 tokens.begin() + static_cast<std::ptrdiff_t>(name + 1));
    return "CREATE TEMP TABLE \"" + table + "\" AS " + Rewrite(tokens);
  }
  return Rewrite(tokens);
}

}  // namespace

std::vector<std::string> AdaptTsql(const std::string& batch) {
  std::vector<std::string> out;
  for (const auto& tokens : SplitStatements(Tokenize(batch))) {
    std::string text = Join(tokens);
    if (Trim(ReplaceAll(ReplaceAll(ReplaceAll(text, "\r", " "), "\n", " "), "\t", " ")).empty()) {
      continue;
    }
    size_t first = 0;
    while (first < tokens.size() && tokens[first].kind == Kind::Space) ++first;
    const Token& lead = tokens[first];
    if (IsWord(lead, "set")) {
      static const std::regex nocount(R"(^\s*set\s+nocount\s+(on|off)\s*$)", std::regex::icase);
      if (!std::regex_match(text, nocount)) {
        throw Error("The suite cannot run this statement: " + Trim(text));
      }
    } else if (IsWord(lead, "if")) {
      out.push_back(AdaptIf(text));
    } else {
      out.push_back(AdaptSelect(tokens));
    }
  }
  return out;
}

}  // namespace qmz::suite
