#include "suite/tsql/tsql_adaption.h"

#include <algorithm>
#include <initializer_list>
#include <optional>
#include <string_view>

#include "platform/text.h"
#include "platform/utf8.h"
#include "qmz/error.h"
#include "suite/tsql/statement_order.h"
#include "suite/tsql/temp_table_fold.h"
#include "suite/tsql/tsql_names.h"
#include "suite/tsql/tsql_tokens.h"

namespace qmz::suite {

namespace {

// Splits the tokens into statements at top-level set / IF / select.
std::vector<std::vector<Token>> SplitStatements(const std::vector<Token>& tokens) {
  std::vector<std::vector<Token>> statements;
  std::vector<Token> current;
  const Token* previous_word = nullptr;
  const Token* lead_word = nullptr;
  WalkDepths(tokens, 0, [&](size_t i, int depth) {
    const Token& t = tokens[i];
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
    return false;
  });
  if (!current.empty()) statements.push_back(std::move(current));
  return statements;
}

// One character of a pattern as a regular expression: ASCII punctuation escaped, so that none
// of it has a meaning of its own (in a bracket expression neither).
void PutRegexChar(std::string& out, char32_t c) {
  // An escaped '"' would mark a substring in SIMILAR TO; unescaped it is no special character.
  if (c < 0x80 && c != U'"' && !std::isalnum(static_cast<int>(c))) out += '\\';
  AppendUtf8(out, c);
}

char32_t FoldAscii(char32_t c) {
  return c >= U'A' && c <= U'Z' ? c + 32 : c;
}

// A T-SQL [set] or [^set] starting after its "[", read as the embedded suite reads it: a "]"
// right after the opening stands for itself, "a-z" is a range unless "-" comes last, letters
// compare without case, a reversed range matches nothing. Written as a bracket expression;
// nullopt when the set is not closed (then "[" is an ordinary character).
std::optional<std::string> SimilarSet(const std::u32string& p, size_t& i) {
  size_t at = i;
  const bool negate = at < p.size() && p[at] == U'^';
  if (negate) ++at;
  std::string members;
  for (bool first = true; at < p.size() && (p[at] != U']' || first); first = false) {
    const char32_t low = FoldAscii(p[at]);
    char32_t high = low;
    if (at + 2 < p.size() && p[at + 1] == U'-' && p[at + 2] != U']') {
      high = FoldAscii(p[at + 2]);
      at += 3;
    } else {
      ++at;
    }
    if (high < low) continue;
    PutRegexChar(members, low);
    if (high != low) {
      members += '-';
      PutRegexChar(members, high);
    }
  }
  if (at >= p.size()) return std::nullopt;
  i = at + 1;
  // An empty set matches no character; its negation any one.
  if (members.empty()) return negate ? "_" : "[^\\x01-\\U0010FFFF]";
  return (negate ? "[^" : "[") + members + "]";
}

// A T-SQL LIKE pattern as PostgreSQL's SIMILAR TO reads it: % _ and [set] [^set] keep their
// meaning, every other character stands for itself.
std::string SimilarPattern(const std::string& literal) {
  const std::u32string pattern =
      DecodeUtf8(ReplaceAll(literal.substr(1, literal.size() - 2), "''", "'"));
  std::string out;
  for (size_t i = 0; i < pattern.size();) {
    const char32_t c = pattern[i++];
    if (c == U'[') {
      if (auto set = SimilarSet(pattern, i)) {
        out += *set;
        continue;
      }
    }
    if (c == U'%' || c == U'_') {
      out += static_cast<char>(c);
    } else {
      PutRegexChar(out, c);
    }
  }
  return "'" + ReplaceAll(out, "'", "''") + "'";
}

// A LIKE with a literal pattern: a pattern with a [set] becomes SIMILAR TO; otherwise the
// backslash, PostgreSQL's escape in LIKE and no escape in T-SQL, is doubled.
std::string PostgresLike(const Token& like, const Token& pattern) {
  if (pattern.text.find('[') != std::string::npos)
    return "similar to " + SimilarPattern(pattern.text);
  return like.text + " " + ReplaceAll(pattern.text, "\\", "\\\\");
}

// Whether the text at `i` is compared with = or <> (the operator just before it).
bool ComparedFor(const std::vector<Token>& tokens, size_t i) {
  size_t j = i;
  while (j > 0 && tokens[j - 1].kind == Kind::Space) --j;
  if (j == 0 || (tokens[j - 1].text != "=" && tokens[j - 1].text != ">")) return false;
  return tokens[j - 1].text == "=" || (j >= 2 && tokens[j - 2].text == "<");
}

// Whether trailing blanks of a value can change what the LIKE pattern `literal` matches: only a
// final % takes them, unless a blank, "_" or a [set] in the pattern could take one.
bool BlanksCount(const std::string& literal) {
  const std::string pattern = literal.substr(1, literal.size() - 2);
  return pattern.empty() || pattern.back() != '%' ||
         pattern.find_first_of(" _[") != std::string::npos;
}

// The end (past the last token) of a column `name` or `alias.name` at `i` that is compared with
// LIKE and a literal pattern whose match the column's trailing blanks could change; 0 for none.
size_t TrimmedOperandEnd(const std::vector<Token>& tokens, size_t i) {
  auto plain = [&](size_t at) {
    return at < tokens.size() && tokens[at].kind == Kind::Word && tokens[at].text[0] != '#' &&
           tokens[at].text[0] != '"' && !IsWord(tokens[at], "not");
  };
  if (!plain(i)) return 0;
  size_t end = i + 1;
  if (end + 1 < tokens.size() && tokens[end].text == "." && plain(end + 1)) end += 2;
  size_t like = NextNonSpace(tokens, end);
  if (like < tokens.size() && IsWord(tokens[like], "not")) like = NextNonSpace(tokens, like + 1);
  const size_t pattern = NextNonSpace(tokens, like + 1);
  if (like >= tokens.size() || !IsWord(tokens[like], "like") || pattern >= tokens.size() ||
      tokens[pattern].kind != Kind::Text || !BlanksCount(tokens[pattern].text)) {
    return 0;
  }
  return end;
}

// Quotes #names and renames isNull, outside quoted texts; for PostgreSQL also names in the
// case the server folds unquoted names to, and LIKE patterns.
std::string Rewrite(const std::vector<Token>& tokens, Target target) {
  const bool postgres = target == Target::kPostgres;
  std::string out;
  for (size_t i = 0; i < tokens.size(); ++i) {
    const Token& t = tokens[i];
    const size_t next = NextNonSpace(tokens, i + 1);
    if (const size_t end = postgres ? TrimmedOperandEnd(tokens, i) : 0) {
      // The production collation ignores a value's trailing blanks in LIKE, as in =.
      out += "rtrim(" +
             Join({tokens.begin() + static_cast<std::ptrdiff_t>(i),
                   tokens.begin() + static_cast<std::ptrdiff_t>(end)}) +
             ")::citext";
      i = end - 1;
    } else if (t.kind == Kind::Word && t.text[0] == '#') {
      out += "\"" + (postgres ? ToLowerAscii(t.text) : t.text) + "\"";
    } else if (postgres && t.kind == Kind::Word && t.text[0] == '"') {
      out += ToLowerAscii(t.text);
    } else if (IsWord(t, "isnull")) {
      const bool call = next < tokens.size() && tokens[next].kind == Kind::Open;
      out += !call ? t.text : postgres ? "coalesce" : "ifnull";
    } else if (postgres && IsWord(t, "like") && next < tokens.size() &&
               tokens[next].kind == Kind::Text) {
      out += PostgresLike(t, tokens[next]);
      i = next;
    } else if (postgres && t.kind == Kind::Text && ComparedFor(tokens, i)) {
      out += ComparedText(t.text);
    } else {
      out += t.text;
    }
  }
  return out;
}

// A temporary table's name: "#" and at least one letter, digit or "_".
bool IsTempName(std::string_view name) {
  if (name.size() < 2 || name[0] != '#') return false;
  for (char c : name.substr(1)) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
  }
  return true;
}

// `IF object_id('tempdb..#t') IS NOT NULL DROP TABLE #t`, the one IF the suite runs.
std::string AdaptIf(const std::vector<Token>& tokens, Target target) {
  std::vector<const Token*> names;
  const bool drop =
      Matches(Solid(tokens),
              {"if", "object_id", "(", "?", ")", "is", "not", "null", "drop", "table", "?"},
              &names) &&
      names[0]->kind == Kind::Text && IsTempName(names[1]->text) &&
      EqualsIgnoreCase(names[0]->text, "'tempdb.." + names[1]->text + "'");
  if (!drop) throw Error("The suite cannot run this statement: " + Trim(Join(tokens)));
  const std::string& table = names[1]->text;
  return "DROP TABLE IF EXISTS \"" + (target == Target::kPostgres ? ToLowerAscii(table) : table) +
         "\"";
}

// `reader_order`: where the order of the batch's answer goes when its reader is to give it
// (Ties::kByReader), null for a statement that is not the answer (one that selects into a
// table, or a select after the answer).
std::string AdaptSelect(std::vector<Token> tokens, Target target, Ties ties,
                        std::vector<OrderField>* reader_order) {
  // PostgreSQL hands grouped rows out in no particular order: the reader orders them too.
  const bool postgres = target == Target::kPostgres;
  std::optional<std::vector<OrderField>> by_reader;
  if (reader_order) by_reader = ReaderOrder(tokens, postgres);
  if (by_reader) {
    tokens = WithoutOrder(std::move(tokens));
    *reader_order = std::move(*by_reader);
  } else if (ties != Ties::kAsFound) {
    tokens = TotalOrder(std::move(tokens));
  }
  if (postgres) tokens = PostgresOrder(std::move(tokens), ties != Ties::kAsFound && !by_reader);
  const size_t into = FindTopLevel(tokens, 0, [&](size_t i) { return IsWord(tokens[i], "into"); });
  if (into == tokens.size()) return Rewrite(tokens, target);
  const size_t name = NextNonSpace(tokens, into + 1);
  if (name >= tokens.size() || tokens[name].kind != Kind::Word || tokens[name].text[0] != '#') {
    throw Error("The suite can only select into temporary tables: " + Trim(Join(tokens)));
  }
  std::string table =
      target == Target::kPostgres ? ToLowerAscii(tokens[name].text) : tokens[name].text;
  tokens.erase(tokens.begin() + static_cast<std::ptrdiff_t>(into),
               tokens.begin() + static_cast<std::ptrdiff_t>(name + 1));
  return "CREATE TEMP TABLE \"" + table + "\" AS " + Rewrite(tokens, target);
}

}  // namespace

// The production collation ignores trailing blanks in a comparison; citext does not.
std::string ComparedText(const std::string& literal) {
  const size_t kept = literal.find_last_not_of(' ', literal.size() - 2);
  return literal.substr(0, kept + 1) + "'";
}

Adaption AdaptWithOrder(const std::string& batch, Target target, Ties ties) {
  Adaption adaption;
  std::vector<std::string>& out = adaption.statements;
  bool answered = false;  // a select without INTO came: the batch's answer
  for (const auto& tokens : SplitStatements(Tokenize(batch))) {
    std::string text = Join(tokens);
    if (Trim(ReplaceAll(ReplaceAll(ReplaceAll(text, "\r", " "), "\n", " "), "\t", " ")).empty()) {
      continue;
    }
    const Token& lead = tokens[NextNonSpace(tokens, 0)];
    if (IsWord(lead, "set")) {
      const std::vector<const Token*> solid = Solid(tokens);
      if (!Matches(solid, {"set", "nocount", "on"}) && !Matches(solid, {"set", "nocount", "off"})) {
        throw Error("The suite cannot run this statement: " + Trim(text));
      }
    } else if (IsWord(lead, "if")) {
      out.push_back(AdaptIf(tokens, target));
    } else {
      const bool answers = !answered && !SelectsInto(tokens);
      out.push_back(AdaptSelect(tokens, target, ties,
                                answers && ties == Ties::kByReader ? &adaption.order : nullptr));
      answered = answered || answers;
    }
  }
  // The fold keeps the answer's select list: the reader's order still names its columns.
  if (target == Target::kPostgres) out = FoldTemporaryTable(std::move(out));
  return adaption;
}

std::vector<std::string> AdaptTsql(const std::string& batch, Target target, Ties ties) {
  return AdaptWithOrder(batch, target, ties).statements;
}

std::map<std::string, std::string> NameSpellings(const std::string& batch) {
  std::map<std::string, std::string> spellings;
  for (const Token& t : Tokenize(batch)) {
    if (t.kind != Kind::Word) continue;
    std::string name = t.text[0] == '"' ? t.text.substr(1, t.text.size() - 2) : t.text;
    spellings.emplace(ToLowerAscii(name), name);
  }
  return spellings;
}

std::vector<std::string> SelectNames(const std::string& statement) {
  const std::vector<Token> tokens = Tokenize(statement);
  // The answer's own select: the first outside parentheses (past a WITH query's tables).
  const size_t select =
      FindTopLevel(tokens, 0, [&](size_t i) { return IsWord(tokens[i], "select"); });
  if (select == tokens.size()) return {};
  std::vector<std::string> names;
  for (const TokenRange& item : SelectItems(tokens, select).items) {
    names.push_back(ColumnName(tokens, item));
  }
  return names;
}

}  // namespace qmz::suite
