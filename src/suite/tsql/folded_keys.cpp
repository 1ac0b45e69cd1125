#include "suite/tsql/folded_keys.h"

#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "platform/text.h"
#include "suite/middle_tier/inventory_schema.h"

namespace qmz::suite {

namespace {

// The inventory tables' columns by lower-case table and column name: true for the texts of
// the suite's case-insensitive collation.
using Columns = std::map<std::string, std::map<std::string, bool>>;

Columns ReadSchema() {
  Columns tables;
  const std::string schema = InventorySchema();
  static const std::regex table(R"(CREATE TABLE IF NOT EXISTS (\w+) \(([^;]*)\);)");
  static const std::regex column(R"(^\s*(\w+) (\w+)(.*)$)");
  for (std::sregex_iterator t(schema.begin(), schema.end(), table), end; t != end; ++t) {
    auto& columns = tables[ToLowerAscii((*t)[1].str())];
    std::istringstream body((*t)[2].str());
    std::smatch found;
    for (std::string line; std::getline(body, line);) {
      if (!std::regex_search(line, found, column)) continue;
      const std::string rest = found[3].str();
      columns[ToLowerAscii(found[1].str())] =
          found[2].str() == "TEXT" && (rest.find("COLLATE TSQL") != std::string::npos ||
                                       rest.find("COLLATE NOCASE") != std::string::npos);
    }
  }
  return tables;
}

const Columns& Schema() {
  static const Columns tables = ReadSchema();
  return tables;
}

// The solid (non-blank) positions of [first, last].
std::vector<size_t> SolidAt(const std::vector<Token>& tokens, size_t first, size_t last) {
  std::vector<size_t> at;
  for (size_t i = first; i <= last && i < tokens.size(); ++i) {
    if (tokens[i].kind != Kind::Space) at.push_back(i);
  }
  return at;
}

size_t PreviousSolid(const std::vector<Token>& tokens, size_t i) {
  while (i > 0) {
    if (tokens[--i].kind != Kind::Space) return i;
  }
  return tokens.size();
}

// The inventory table that `alias` stands for in the statement (`t_Stock t2`, `t_Stock as t2`,
// or the table's own name); "" when none, or when the alias stands for several.
std::string TableOf(const std::vector<Token>& tokens, const std::string& alias) {
  const std::string name = ToLowerAscii(alias);
  if (Schema().count(name)) return name;
  std::set<std::string> found;
  for (size_t i = 0; i < tokens.size(); ++i) {
    if (tokens[i].kind != Kind::Word || ToLowerAscii(tokens[i].text) != name) continue;
    size_t before = PreviousSolid(tokens, i);
    if (before < tokens.size() && IsWord(tokens[before], "as"))
      before = PreviousSolid(tokens, before);
    if (before >= tokens.size() || tokens[before].kind != Kind::Word) continue;
    const std::string table = ToLowerAscii(tokens[before].text);
    if (Schema().count(table)) found.insert(table);
  }
  return found.size() == 1 ? *found.begin() : "";
}

// Whether the solid tokens `at` are `alias.column` of a case-insensitive inventory column.
bool QualifiedFolds(const std::vector<Token>& tokens, const std::vector<size_t>& at) {
  if (at.size() != 3 || tokens[at[0]].kind != Kind::Word || tokens[at[1]].text != "." ||
      tokens[at[2]].kind != Kind::Word) {
    return false;
  }
  const std::string table = TableOf(tokens, tokens[at[0]].text);
  if (table.empty()) return false;
  const auto& columns = Schema().at(table);
  const auto column = columns.find(ToLowerAscii(tokens[at[2]].text));
  return column != columns.end() && column->second;
}

// In `select * from (subquery) alias ...`, the subquery's select list; else empty.
std::vector<TokenRange> SubqueryItems(const std::vector<Token>& tokens) {
  const size_t inner = NextNonSpace(tokens, StarSubqueryAt(tokens));
  if (inner >= tokens.size() || !IsWord(tokens[inner], "select")) return {};
  return SelectItems(tokens, inner).items;
}

// Whether the subquery's item answering `name` is a case-insensitive inventory column.
bool SubqueryColumnFolds(const std::vector<Token>& tokens, const std::string& name) {
  for (const TokenRange& item : SubqueryItems(tokens)) {
    if (item.empty()) continue;
    std::vector<size_t> at = SolidAt(tokens, item.begin, item.end - 1);
    if (at.empty() || tokens[at.back()].kind != Kind::Word) continue;
    const bool named = EqualsIgnoreCase(tokens[at.back()].text, name);
    if (at.size() >= 3 && IsWord(tokens[at[at.size() - 2]], "as")) {
      if (!named) continue;
      at.resize(at.size() - 2);  // the expression before AS
    } else if (!named) {
      continue;
    }
    return QualifiedFolds(tokens, at);
  }
  return false;
}

}  // namespace

bool FoldedKey(const std::vector<Token>& tokens, size_t first, size_t last) {
  const std::vector<size_t> at = SolidAt(tokens, first, last);
  if (at.size() == 3) return QualifiedFolds(tokens, at);
  if (at.size() == 1 && tokens[at[0]].kind == Kind::Word && tokens[at[0]].text[0] != '"') {
    return SubqueryColumnFolds(tokens, tokens[at[0]].text);
  }
  return false;
}

}  // namespace qmz::suite
