#include "suite/tsql/statement_order.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "platform/text.h"
#include "suite/tsql/folded_keys.h"
#include "suite/tsql/tsql_names.h"

namespace qmz::suite {

namespace {

// The top-level key list of a select after `by` of GROUP BY or ORDER BY, each key as the range
// [first, last] of its tokens without surrounding blanks.
struct KeyList {
  size_t clause = 0;  // the clause's first word
  size_t end = 0;     // where the list stops (the next clause or the end)
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
  keys.clause = at;
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

// The answer column (0-based) an ORDER BY or GROUP BY key (`key`, as KeyTexts) stands for: the
// column at its position, the one column of its name, or the item it repeats as written (with
// or without `as` a name); nullopt for any other key.
std::optional<size_t> KeyColumn(const std::vector<Token>& tokens,
                                const std::vector<TokenRange>& items, const std::string& key) {
  if (!key.empty() &&
      std::all_of(key.begin(), key.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    const size_t position = key.size() < 6 ? std::stoul(key) : 0;
    if (position >= 1 && position <= items.size()) return position - 1;
    return std::nullopt;
  }
  std::optional<size_t> found;
  for (size_t column = 0; column < items.size(); ++column) {
    const TokenRange& item = items[column];
    const std::string name = ToLowerAscii(ColumnName(tokens, item));
    const std::string written = KeyText(tokens, {item.begin, item.end - 1});
    if (name != key && written != key && written != key + "as" + name) continue;
    if (found) return std::nullopt;  // two columns answer to the name
    found = column;
  }
  return found;
}

// Whether the statement's own select takes only some of its rows (TOP, which the ORDER BY
// chooses) or joins the rows of several selects (UNION).
bool LimitsOrCombinesRows(const std::vector<Token>& tokens) {
  const size_t select =
      FindTopLevel(tokens, 0, [&](size_t i) { return IsWord(tokens[i], "select"); });
  size_t next = NextNonSpace(tokens, select + 1);
  if (next < tokens.size() && (IsWord(tokens[next], "distinct") || IsWord(tokens[next], "all"))) {
    next = NextNonSpace(tokens, next + 1);
  }
  return (next < tokens.size() && IsWord(tokens[next], "top")) || HasTopLevelWord(tokens, "union");
}

// The tokens [first, last] of an ORDER BY key as PostgreSQL sorts it: a case-insensitive text
// column of the suite folded once per row (suite/tsql/folded_keys.h) when `fold`, anything else as
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

}  // namespace

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

bool SelectsInto(const std::vector<Token>& tokens) {
  return FindTopLevel(tokens, 0, [&](size_t i) { return IsWord(tokens[i], "into"); }) <
         tokens.size();
}

// The reader compares a column only where all before it tie: the further columns cost nothing
// where the keys decide, and the database does not sort at all.
std::optional<std::vector<OrderField>> ReaderOrder(const std::vector<Token>& tokens, bool groups) {
  const auto group = KeysAfter(tokens, "group");
  const auto order = KeysAfter(tokens, "order");
  if (LimitsOrCombinesRows(tokens) || (group && (order || !groups))) return std::nullopt;
  const std::optional<KeyList>& keys = group ? group : order;
  if (!keys || keys->keys.empty()) return std::nullopt;
  const std::vector<TokenRange> items = AnswerItems(tokens);
  if (items.empty()) return std::nullopt;
  const std::vector<std::string> ordered = KeyTexts(tokens, *keys);
  std::vector<OrderField> fields;
  auto listed = [&](size_t column) {
    return std::any_of(fields.begin(), fields.end(), [&](const OrderField& f) {
      return f.field == static_cast<int32_t>(column);
    });
  };
  for (size_t k = 0; k < ordered.size(); ++k) {
    const std::optional<size_t> column = KeyColumn(tokens, items, ordered[k]);
    if (!column) return std::nullopt;
    if (!listed(*column)) {
      fields.push_back(
          {static_cast<int32_t>(*column), IsWord(tokens[keys->keys[k].second], "desc")});
    }
  }
  std::vector<size_t> further = TieBreakers(tokens, ordered);
  for (size_t column = 1; column <= items.size(); ++column) further.push_back(column);
  for (size_t column : further) {
    if (!listed(column - 1)) fields.push_back({static_cast<int32_t>(column - 1), false});
  }
  return fields;
}

// The blanks before the ORDER BY go with it.
std::vector<Token> WithoutOrder(std::vector<Token> tokens) {
  const auto order = KeysAfter(tokens, "order");
  if (!order) return tokens;
  size_t from = order->clause;
  while (from > 0 && tokens[from - 1].kind == Kind::Space) --from;
  tokens.erase(tokens.begin() + static_cast<std::ptrdiff_t>(from),
               tokens.begin() + static_cast<std::ptrdiff_t>(order->keys.back().second + 1));
  return tokens;
}

// PostgreSQL puts NULL last; it may group by fewer keys, or hash them. Grouped rows are sorted
// by their keys as they are grouped, and a folded order would sort them once more.
std::vector<Token> PostgresOrder(std::vector<Token> tokens, bool order_groups) {
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
  if (!group || HasTopLevelWord(tokens, "union") || !order_groups) return tokens;
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

}  // namespace qmz::suite
