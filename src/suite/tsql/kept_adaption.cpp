#include "suite/tsql/kept_adaption.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>
#include <string_view>
#include <unordered_map>

#include "platform/plain_number.h"
#include "platform/stoppable_read.h"
#include "platform/text.h"
#include "suite/tsql/tsql_tokens.h"

namespace qmz::suite {

namespace {

// What stands for a value taken out of a batch: a text the adaption copies as it is.
constexpr char kMark = '\x01';

struct Masked {
  std::string batch;  // with each value taken out as '\x01<n>\x01'
  struct Value {
    std::string_view source;  // as written: a quoted text, or digits
    bool text;
    bool argument = false;  // CharIndex's needle, not a compared value: never trimmed
  };
  std::vector<Value> values;
};

// The batch with the values it compares with = or <> taken out (the adaption trims such a text
// on PostgreSQL and otherwise copies values as they are), and the text CharIndex looks for (the
// user's id in the warehouse rights condition: one shape for every user); nullopt when it cannot
// be read so (a mark in it, something unterminated: the adaption then reads it whole).
std::optional<Masked> Mask(const std::string& s) {
  if (s.find(kMark) != std::string::npos) return std::nullopt;
  Masked masked;
  masked.batch.reserve(s.size());
  // The last character outside blanks and comments, and whether it ends `=` or `<>`.
  bool compared = false;
  // CharIndex was the last word, and then its opening parenthesis: its first argument comes.
  bool charindex = false;
  bool needle = false;
  auto put_value = [&](size_t begin, size_t end, bool text, bool argument = false) {
    masked.batch += '\'';
    masked.batch += kMark;
    masked.batch += std::to_string(masked.values.size());
    masked.batch += kMark;
    masked.batch += '\'';
    masked.values.push_back({std::string_view(s).substr(begin, end - begin), text, argument});
  };
  for (size_t i = 0; i < s.size();) {
    const char c = s[i];
    const Scanned scanned = ScanAt(s, i);
    const size_t end = scanned.end;
    if (end == std::string::npos) return std::nullopt;
    switch (scanned.piece) {
      case Piece::kBlanks:
        masked.batch.append(s, i, end - i);
        break;
      case Piece::kComment:
        masked.batch.append(s, i, end - i);
        break;
      case Piece::kText:
      case Piece::kBracketed:
        if (c == '\'' && (compared || needle)) {
          put_value(i, end, true, needle);
        } else {
          masked.batch.append(s, i, end - i);
        }
        compared = charindex = needle = false;
        break;
      case Piece::kDigits: {
        // A number alone: not part of a name or of a decimal number.
        const bool alone = (i == 0 || s[i - 1] != '.') &&
                           (end == s.size() || (!IsWordChar(s[end]) && s[end] != '.'));
        if (compared && alone) {
          put_value(i, end, false);
        } else {
          masked.batch.append(s, i, end - i);
        }
        compared = charindex = needle = false;
        break;
      }
      case Piece::kWord:
        masked.batch.append(s, i, end - i);
        charindex = EqualsIgnoreCase(std::string_view(s).substr(i, end - i), "charindex");
        compared = needle = false;
        break;
      case Piece::kOther:
        needle = charindex && c == '(';
        charindex = false;
        compared = c == '=' || (c == '>' && i > 0 && s[i - 1] == '<');
        masked.batch += c;
        break;
    }
    i = end;
  }
  return masked;
}

// `statement` with each value's mark (a quoted '\x01<n>\x01') replaced by `value(n)`; nullopt
// when a mark is not as it was written (the adaption changed it) or counts beyond `values`.
template <typename Value>
std::optional<std::string> ReplaceMarks(const std::string& statement, size_t values,
                                        Value&& value) {
  std::string text;
  text.reserve(statement.size());
  for (size_t i = 0; i < statement.size();) {
    const size_t mark = statement.find(kMark, i);
    if (mark == std::string::npos) {
      text.append(statement, i, std::string::npos);
      break;
    }
    const size_t close = statement.find(kMark, mark + 1);
    size_t index = 0;
    const char* digits = statement.data() + mark + 1;
    const char* end = close == std::string::npos ? digits : statement.data() + close;
    const auto [stop, error] = std::from_chars(digits, end, index);
    if (mark == 0 || statement[mark - 1] != '\'' || error != std::errc() || stop != end ||
        digits == end || close + 1 >= statement.size() || statement[close + 1] != '\'' ||
        index >= values) {
      return std::nullopt;
    }
    text.append(statement, i, mark - 1 - i);  // up to the opening quote
    text += value(index);
    i = close + 2;  // past the closing quote
  }
  return text;
}

// Each value as the adapted statements write it: a text without its trailing blanks on
// PostgreSQL, else as the batch wrote it.
std::vector<std::string> Written(const Masked& masked, Target target) {
  std::vector<std::string> written;
  written.reserve(masked.values.size());
  for (const Masked::Value& value : masked.values) {
    const std::string source(value.source);
    written.push_back(value.text && !value.argument && target == Target::kPostgres
                          ? ComparedText(source)
                          : source);
  }
  return written;
}

// The adapted statements with the `written` values put back where their marks are; nullopt
// when a mark is not as it was written, so that the batch is adapted itself.
std::optional<std::vector<std::string>> PutBack(const std::vector<std::string>& statements,
                                                const std::vector<std::string>& written) {
  std::vector<std::string> out;
  out.reserve(statements.size());
  for (const std::string& statement : statements) {
    std::optional<std::string> text =
        ReplaceMarks(statement, written.size(), [&](size_t index) { return written[index]; });
    if (!text) return std::nullopt;
    out.push_back(std::move(*text));
  }
  return out;
}

// A shape's one statement with its values as the parameters $1, $2, … (PostgreSQL) or ?1, ?2, …
// (SQLite); null when a value has no mark in it or the statement has a parameter sign of its own.
std::shared_ptr<const std::string> WithParameters(const std::string& statement, size_t values,
                                                  Target target) {
  const bool postgres = target == Target::kPostgres;
  if (statement.find_first_of(postgres ? "$" : "?:@$") != std::string::npos) return nullptr;
  // A value followed at once by a digit or a letter: its parameter would run into them ($1 and
  // 1 make $11).
  const std::string mark_end = std::string(1, kMark) + "'";
  for (size_t at = statement.find(mark_end); at != std::string::npos;
       at = statement.find(mark_end, at + 1)) {
    const size_t next = at + mark_end.size();
    if (next < statement.size() && IsWordChar(statement[next])) return nullptr;
  }
  std::vector<bool> used(values, false);
  std::optional<std::string> text = ReplaceMarks(statement, values, [&](size_t index) {
    used[index] = true;
    return (postgres ? "$" : "?") + std::to_string(index + 1);
  });
  if (!text || std::find(used.begin(), used.end(), false) != used.end()) return nullptr;
  return std::make_shared<const std::string>(std::move(*text));
}

// A value as SQLite reads it written as a literal: a quoted text without its quotes, digits an
// integer, or a real beyond 64 bits.
Variant SqliteValue(const Masked::Value& value) {
  const std::string_view source = value.source;
  if (value.text) return ReplaceAll(source.substr(1, source.size() - 2), "''", "'");
  int64_t integer = 0;
  const auto [end, error] = std::from_chars(source.data(), source.data() + source.size(), integer);
  if (error == std::errc() && end == source.data() + source.size()) return integer;
  return ReadPlainDouble(source).value_or(0.0);
}

// A value as PostgreSQL's statement is given it apart from its text: a text without its quotes
// (and, as `written`, without its trailing blanks), digits as they are.
Variant PostgresValue(const std::string& written, bool text) {
  if (!text) return written;
  return ReplaceAll(std::string_view(written).substr(1, written.size() - 2), "''", "'");
}

// PostgreSQL's type of a value written as a literal: a text takes the type of what it is
// compared with (unknown), digits are an int, a bigint, or beyond those a numeric.
const char* LiteralType(const Masked::Value& value) {
  if (value.text) return "unknown";
  std::string_view digits = value.source;
  while (digits.size() > 1 && digits.front() == '0') digits.remove_prefix(1);
  const auto fits = [&](std::string_view most) {
    return digits.size() < most.size() || (digits.size() == most.size() && digits <= most);
  };
  if (fits("2147483647")) return "int";
  return fits("9223372036854775807") ? "bigint" : "numeric";
}

std::shared_ptr<AdaptedTsql> Adapt(const std::string& tsql, Target target) {
  auto adapted = std::make_shared<AdaptedTsql>();
  Adaption adaption = AdaptWithOrder(tsql, target);
  adapted->statements = std::move(adaption.statements);
  adapted->order = std::move(adaption.order);
  if (target == Target::kPostgres) {
    auto names = std::make_shared<AnswerNames>();
    names->batch_names = NameSpellings(tsql);
    for (const std::string& statement : adapted->statements) {
      names->select_names.push_back(SelectNames(statement));
    }
    adapted->names = std::move(names);
  }
  return adapted;
}

// Kept per thread and database: the last batches by their text (a host asking for one line
// again), and by their shape, the compared values taken out (a host asking for line after line).
struct KeptAdaptions {
  static constexpr size_t kMost = 64;
  std::unordered_map<std::string, std::shared_ptr<const AdaptedTsql>> by_text, by_shape;

  static void Keep(std::unordered_map<std::string, std::shared_ptr<const AdaptedTsql>>& map,
                   const std::string& key, std::shared_ptr<const AdaptedTsql> adapted) {
    if (map.size() == kMost) map.clear();
    map.emplace(key, std::move(adapted));
  }
};

// The adaption of `tsql` through the one of its shape.
std::shared_ptr<const AdaptedTsql> ByShape(KeptAdaptions& kept, const std::string& tsql,
                                           Target target) {
  const std::optional<Masked> masked = Mask(tsql);
  if (!masked) return Adapt(tsql, target);
  std::shared_ptr<const AdaptedTsql> shape;
  auto found = kept.by_shape.find(masked->batch);
  if (found != kept.by_shape.end()) {
    shape = found->second;
  } else {
    std::shared_ptr<AdaptedTsql> made;
    try {
      made = Adapt(masked->batch, target);
    } catch (const std::exception&) {
      return Adapt(tsql, target);  // the batch's own error, with its own values
    }
    if (made->statements.size() == 1) {
      made->parameterized.statement =
          WithParameters(made->statements.front(), masked->values.size(), target);
    }
    shape = made;
    KeptAdaptions::Keep(kept.by_shape, masked->batch, shape);
  }
  if (masked->values.empty()) return shape;
  const std::vector<std::string> written = Written(*masked, target);
  std::optional<std::vector<std::string>> statements = PutBack(shape->statements, written);
  if (!statements) return Adapt(tsql, target);
  auto adapted = std::make_shared<AdaptedTsql>();
  adapted->statements = std::move(*statements);
  adapted->order = shape->order;
  adapted->names = shape->names;
  if (shape->parameterized.statement) {
    Parameterized& parameterized = adapted->parameterized;
    parameterized.statement = shape->parameterized.statement;
    for (size_t i = 0; i < masked->values.size(); ++i) {
      const Masked::Value& value = masked->values[i];
      // SQLite reads a statement's text up to a NUL, libpq a value: a value with one fails as
      // the batch wrote it.
      if (value.source.find('\0') != std::string_view::npos) {
        adapted->parameterized = {};
        break;
      }
      if (target == Target::kSqlite) {
        parameterized.values.push_back(SqliteValue(value));
        continue;
      }
      parameterized.types += i == 0 ? "" : ", ";
      parameterized.types += LiteralType(value);
      parameterized.arguments += i == 0 ? "" : ", ";
      parameterized.arguments += written[i];
      parameterized.values.push_back(PostgresValue(written[i], value.text));
    }
  }
  return adapted;
}

}  // namespace

std::shared_ptr<const AdaptedTsql> KeptAdaption(const std::string& tsql, Target target) {
  constexpr size_t kLongestKept = 8192;
  thread_local KeptAdaptions kept[2];
  if (tsql.size() > kLongestKept) return Adapt(tsql, target);
  KeptAdaptions& of_target = kept[target == Target::kPostgres ? 1 : 0];
  auto found = of_target.by_text.find(tsql);
  if (found != of_target.by_text.end()) return found->second;
  std::shared_ptr<const AdaptedTsql> adapted = ByShape(of_target, tsql, target);
  KeptAdaptions::Keep(of_target.by_text, tsql, adapted);
  return adapted;
}

void PutInOrder(const AdaptedTsql& adapted, Recordset& answer) {
  if (adapted.order.empty()) return;
  StoppableRead* read = CurrentRead();
  if (read) read->NowSorting();
  answer.OrderRecords(adapted.order, [read](int64_t) { ThrowIfStopped(read); });
}

}  // namespace qmz::suite
