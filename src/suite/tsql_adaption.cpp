#include "suite/tsql_adaption.h"

#include <algorithm>
#include <initializer_list>
#include <optional>
#include <string_view>

#include "platform/text.h"
#include "qmz/error.h"
#include "suite/folded_keys.h"
#include "suite/temp_table_fold.h"
#include "suite/tsql_names.h"
#include "suite/tsql_tokens.h"
#include "suite/wide_text.h"

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
      Utf8ToUtf32(ReplaceAll(literal.substr(1, literal.size() - 2), "''", "'"));
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

// The top-level key list of a select after `by` of GROUP BY or ORDER BY, each key as the range
// [first, last] of its tokens without surrounding blanks.
struct KeyList {
  size_t end = 0;  // where the list stops (the next clause or the end)
  std::vector<std::pair<size_t, size_t>> keys;
};

std::optional<KeyList> KeysAfter(const std::vector<Token>& tokens, const char* clause) {
  const size_t at = FindTopLevel(tokens, 0, [&](size_t i) {
    const size_t by = NextNonSpace(tokens, i + 1);
    return IsWord(tokens[i], clause) && by < tokens.size() && IsWord(tokens[by], "by");
  });
  if (at == tokens.size()) return std::nullopt;
  const TokenList list =
      ListAt(tokens, NextNonSpace(tokens, at + 1) + 1, [](const Token& t, int depth) {
        return depth == 0 && (IsWord(t, "having") || IsWord(t, "order") || IsWord(t, "union"));
      });
  KeyList keys;
  keys.end = list.end;
  // An empty key (a comma after a comma) stands at its comma.
  for (const TokenRange& key : list.items) {
    keys.keys.emplace_back(key.begin, key.empty() ? key.begin : key.end - 1);
  }
  return keys;
}

bool HasTopLevelWord(const std::vector<Token>& tokens, const char* word) {
  return FindTopLevel(tokens, 0, [&](size_t i) { return IsWord(tokens[i], word); }) < tokens.size();
}

// The select-list items a statement answers with: those of its first select, or of the subquery
// it selects * from; empty when the text does not tell (* from a table).
std::vector<TokenRange> AnswerItems(const std::vector<Token>& tokens, size_t begin = 0) {
  const size_t inner = StarSubqueryAt(tokens, begin);
  if (inner < tokens.size()) return AnswerItems(tokens, inner);
  size_t select = begin;
  while (select < tokens.size() && !IsWord(tokens[select], "select")) ++select;
  if (select == tokens.size()) return {};
  std::vector<TokenRange> items;
  for (const TokenRange& item : SelectItems(tokens, select).items) {
    if (!item.empty()) items.push_back(item);
  }
  const bool star_only =
      items.size() == 1 && items[0].end - items[0].begin == 1 && tokens[items[0].begin].text == "*";
  return star_only ? std::vector<TokenRange>{} : items;
}

// A key's text without blanks, in lower case: "c.Fname" and "c.fname " are one key.
std::string KeyText(const std::vector<Token>& tokens, std::pair<size_t, size_t> key) {
  std::string text;
  for (size_t i = key.first; i <= key.second; ++i) {
    if (tokens[i].kind != Kind::Space) text += ToLowerAscii(tokens[i].text);
  }
  return text;
}

// The keys' texts without their direction: `a desc` orders by `a` too.
std::vector<std::string> KeyTexts(const std::vector<Token>& tokens, const KeyList& keys) {
  std::vector<std::string> texts;
  for (auto [first, last] : keys.keys) {
    if (last > first && (IsWord(tokens[last], "desc") || IsWord(tokens[last], "asc"))) --last;
    texts.push_back(KeyText(tokens, {first, last}));
  }
  return texts;
}

bool Holds(const std::vector<std::string>& texts, std::string_view text) {
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

// Whether the ORDER BY keys (`ordered`, as KeyTexts) alone tell the rows apart: a grouped select
// (no UNION) ordered by every one of its group keys answers one row per key.
bool KeysIdentifyRows(const std::vector<Token>& tokens, const std::vector<std::string>& ordered) {
  const auto group = KeysAfter(tokens, "group");
  if (!group || HasTopLevelWord(tokens, "union")) return false;
  for (const std::string& key : KeyTexts(tokens, *group)) {
    if (!Holds(ordered, key)) return false;
  }
  return true;
}

// The columns that tell the suite's stock rows apart (item, warehouse, property, batch, shelf
// life, and the aux lists' line kind), the integers first: ties then end at the first of them
// on either database, and each column more in a sort costs SQLite time on every comparison.
constexpr std::string_view kRowIdentity[] = {"fitemid",    "fstockid", "auxpropid",
                                             "fauxpropid", "findex",   "fauxpropname",
                                             "fbatchno",   "fkfdate",  "fkfperiod"};

// The tie-breakers of an ORDER BY whose keys are `ordered` (as KeyTexts), as answer positions:
// the identifying columns the answer has that are not keys already (by name, position or as
// written), or every column when it has no FItemID.
std::vector<size_t> TieBreakers(const std::vector<Token>& tokens,
                                const std::vector<std::string>& ordered) {
  const std::vector<TokenRange> items = AnswerItems(tokens);
  std::vector<std::string> names;
  for (const TokenRange& item : items) names.push_back(ToLowerAscii(ColumnName(tokens, item)));
  std::vector<size_t> positions;
  if (!Holds(names, "fitemid")) {
    for (size_t column = 1; column <= items.size(); ++column) positions.push_back(column);
    return positions;
  }
  for (std::string_view identity : kRowIdentity) {
    const auto at = std::find(names.begin(), names.end(), identity);
    if (at == names.end()) continue;
    const size_t position = static_cast<size_t>(at - names.begin()) + 1;
    const TokenRange& item = items[position - 1];
    if (!Holds(ordered, *at) && !Holds(ordered, std::to_string(position)) &&
        !Holds(ordered, KeyText(tokens, {item.begin, item.end - 1}))) {
      positions.push_back(position);
    }
  }
  return positions;
}

// Rows whose ORDER BY keys tie come out in one order on every database: the fewest columns that
// tell the rows apart follow the keys (TieBreakers), none where the keys already do.
std::vector<Token> TotalOrder(std::vector<Token> tokens) {
  auto order = KeysAfter(tokens, "order");
  if (!order || order->keys.empty()) return tokens;
  const std::vector<std::string> ordered = KeyTexts(tokens, *order);
  if (KeysIdentifyRows(tokens, ordered)) return tokens;
  std::vector<Token> ties;
  for (size_t column : TieBreakers(tokens, ordered)) {
    ties.push_back(Token{Kind::Other, ","});
    ties.push_back(Token{Kind::Space, " "});
    ties.push_back(Token{Kind::Other, std::to_string(column)});
  }
  tokens.insert(tokens.begin() + static_cast<std::ptrdiff_t>(order->keys.back().second + 1),
                ties.begin(), ties.end());
  return tokens;
}

// The tokens [first, last] of an ORDER BY key as PostgreSQL sorts it: a case-insensitive text
// column of the suite folded once per row (suite/folded_keys.h) when `fold`, anything else as
// written.
std::vector<Token> SortedAs(const std::vector<Token>& tokens, size_t first, size_t last,
                            bool fold) {
  std::vector<Token> key(tokens.begin() + static_cast<std::ptrdiff_t>(first),
                         tokens.begin() + static_cast<std::ptrdiff_t>(last + 1));
  if (fold && FoldedKey(tokens, first, last)) {
    key.insert(key.begin(), Token{Kind::Other, "lower("});
    key.push_back(Token{Kind::Other, "::text)"});
  }
  return key;
}

// Rows in the embedded suite's order: an ORDER BY puts NULL first, as SQLite and the production
// server sort it (PostgreSQL puts it last); grouped rows without an ORDER BY come sorted by
// their keys as written (PostgreSQL may group by fewer keys, or hash them). Keys of the suite's
// case-insensitive texts are sorted folded (SortedAs) where rows are not grouped: grouped rows
// are sorted by their keys as they are grouped, and a folded order would sort them once more.
std::vector<Token> PostgresOrder(std::vector<Token> tokens, Ties ties) {
  auto group = KeysAfter(tokens, "group");
  if (auto order = KeysAfter(tokens, "order")) {
    const bool fold = !group;
    std::vector<Token> out(tokens.begin(),
                           tokens.begin() + static_cast<std::ptrdiff_t>(order->keys.front().first));
    for (size_t k = 0; k < order->keys.size(); ++k) {
      const auto [first, last] = order->keys[k];
      const bool descending = IsWord(tokens[last], "desc");
      const bool directed = descending || IsWord(tokens[last], "asc");
      size_t expression_last = last;
      if (directed) {
        while (expression_last > first &&
               (expression_last == last || tokens[expression_last].kind == Kind::Space)) {
          --expression_last;
        }
      }
      const std::vector<Token> key = SortedAs(tokens, first, expression_last, fold);
      out.insert(out.end(), key.begin(), key.end());
      out.insert(out.end(), tokens.begin() + static_cast<std::ptrdiff_t>(expression_last + 1),
                 tokens.begin() + static_cast<std::ptrdiff_t>(last + 1));
      out.push_back(Token{Kind::Other, descending ? " nulls last" : " nulls first"});
      const size_t next = k + 1 < order->keys.size() ? order->keys[k + 1].first : tokens.size();
      out.insert(out.end(), tokens.begin() + static_cast<std::ptrdiff_t>(last + 1),
                 tokens.begin() + static_cast<std::ptrdiff_t>(next));
    }
    return out;
  }
  if (!group || HasTopLevelWord(tokens, "union") || ties == Ties::kAsFound) return tokens;
  std::string order = " order by ";
  for (size_t k = 0; k < group->keys.size(); ++k) {
    order += (k ? ", " : "") +
             Join(SortedAs(tokens, group->keys[k].first, group->keys[k].second, false)) +
             " nulls first";
  }
  while (!tokens.empty() && tokens.back().kind == Kind::Space) tokens.pop_back();
  tokens.push_back(Token{Kind::Other, order});
  return tokens;
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

std::string AdaptSelect(std::vector<Token> tokens, Target target, Ties ties) {
  if (ties == Ties::kBroken) tokens = TotalOrder(std::move(tokens));
  if (target == Target::kPostgres) tokens = PostgresOrder(std::move(tokens), ties);
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

std::vector<std::string> AdaptTsql(const std::string& batch, Target target, Ties ties) {
  std::vector<std::string> out;
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
      out.push_back(AdaptSelect(tokens, target, ties));
    }
  }
  return target == Target::kPostgres ? FoldTemporaryTable(std::move(out)) : out;
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
