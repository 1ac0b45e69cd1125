#include "platform/criteria.h"

#include <cctype>

#include "platform/text.h"
#include "qmz/error.h"

namespace qmz {

enum class Op { Less, Greater, LessEqual, GreaterEqual, NotEqual, Equal, Like };
enum class LikeMode { Exact, Prefix, Contains };

struct Criteria::Node {
  enum class Kind { Leaf, And, Or } kind = Kind::Leaf;
  int32_t field = -1;
  Op op = Op::Equal;
  Variant value;  // Null, number or text
  LikeMode like_mode = LikeMode::Exact;
  std::string like_text;  // folded to lower case
  std::vector<std::shared_ptr<const Node>> children;
};

namespace {

enum class Tok { Name, Text, Number, Date, Op, Open, Close, And, Or, Null, End };

struct Token {
  Tok kind;
  std::string text;
  size_t at;
};

[[noreturn]] void Fail(const std::string& what, size_t at) {
  throw Error("Invalid criteria: " + what + " at position " + std::to_string(at + 1));
}

bool IsNameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || (c & 0x80) != 0;
}

std::vector<Token> Tokenize(const std::string& s) {
  std::vector<Token> out;
  size_t i = 0;
  while (i < s.size()) {
    char c = s[i];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      ++i;
    } else if (c == '(' || c == ')') {
      out.push_back({c == '(' ? Tok::Open : Tok::Close, std::string(1, c), i++});
    } else if (c == '\'') {
      size_t start = i++;
      std::string text;
      while (true) {
        if (i >= s.size()) Fail("unterminated text", start);
        if (s[i] == '\'') {
          if (i + 1 < s.size() && s[i + 1] == '\'') {
            text += '\'';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        text += s[i++];
      }
      out.push_back({Tok::Text, text, start});
    } else if (c == '#') {
      size_t end = s.find('#', i + 1);
      if (end == std::string::npos) Fail("unterminated date", i);
      out.push_back({Tok::Date, s.substr(i + 1, end - i - 1), i});
      i = end + 1;
    } else if (c == '[') {
      size_t end = s.find(']', i + 1);
      if (end == std::string::npos) Fail("unterminated field name", i);
      out.push_back({Tok::Name, s.substr(i + 1, end - i - 1), i});
      i = end + 1;
    } else if (c == '<' || c == '>' || c == '=') {
      size_t start = i++;
      std::string op(1, c);
      if (i < s.size() &&
          ((c == '<' && (s[i] == '=' || s[i] == '>')) || (c == '>' && s[i] == '='))) {
        op += s[i++];
      }
      out.push_back({Tok::Op, op, start});
    } else if (std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '+' || c == '.') {
      size_t start = i++;
      while (i < s.size() && (std::isdigit(static_cast<unsigned char>(s[i])) || s[i] == '.' ||
                              s[i] == 'e' || s[i] == 'E')) {
        ++i;
      }
      out.push_back({Tok::Number, s.substr(start, i - start), start});
    } else if (IsNameChar(c)) {
      size_t start = i;
      while (i < s.size() && IsNameChar(s[i])) ++i;
      std::string word = s.substr(start, i - start);
      std::string upper = ToUpperAscii(word);
      Tok kind = upper == "AND"    ? Tok::And
                 : upper == "OR"   ? Tok::Or
                 : upper == "LIKE" ? Tok::Op
                 : upper == "NULL" ? Tok::Null
                                   : Tok::Name;
      out.push_back({kind, kind == Tok::Op ? "LIKE" : word, start});
    } else {
      Fail(std::string("unexpected character '") + c + "'", i);
    }
  }
  out.push_back({Tok::End, "", s.size()});
  return out;
}

class Parser {
 public:
  Parser(std::vector<Token> tokens, const FieldResolver& resolve)
      : tokens_(std::move(tokens)), resolve_(resolve) {}

  std::shared_ptr<const Criteria::Node> ParseAll(bool single) {
    auto node = single ? ParseLeaf() : ParseOr();
    if (Peek().kind != Tok::End) Fail("unexpected '" + Peek().text + "'", Peek().at);
    return node;
  }

 private:
  const Token& Peek() const { return tokens_[pos_]; }
  const Token& Next() { return tokens_[pos_++]; }

  std::shared_ptr<const Criteria::Node> Combine(
      Criteria::Node::Kind kind, Tok separator,
      std::shared_ptr<const Criteria::Node> (Parser::*sub)()) {
    auto first = (this->*sub)();
    if (Peek().kind != separator) return first;
    auto node = std::make_shared<Criteria::Node>();
    node->kind = kind;
    node->children.push_back(first);
    while (Peek().kind == separator) {
      Next();
      node->children.push_back((this->*sub)());
    }
    return node;
  }

  std::shared_ptr<const Criteria::Node> ParseOr() {
    return Combine(Criteria::Node::Kind::Or, Tok::Or, &Parser::ParseAnd);
  }
  std::shared_ptr<const Criteria::Node> ParseAnd() {
    return Combine(Criteria::Node::Kind::And, Tok::And, &Parser::ParseTerm);
  }
  std::shared_ptr<const Criteria::Node> ParseTerm() {
    if (Peek().kind == Tok::Open) {
      Next();
      auto inner = ParseOr();
      if (Next().kind != Tok::Close) Fail("missing ')'", tokens_[pos_ - 1].at);
      return inner;
    }
    return ParseLeaf();
  }

  std::shared_ptr<const Criteria::Node> ParseLeaf() {
    const Token& name = Next();
    if (name.kind != Tok::Name) Fail("field name expected", name.at);
    auto node = std::make_shared<Criteria::Node>();
    node->field = resolve_(name.text);
    if (node->field < 0) Fail("unknown field '" + name.text + "'", name.at);
    const Token& op = Next();
    if (op.kind != Tok::Op) Fail("operator expected", op.at);
    node->op = ToOp(op.text);
    const Token& value = Next();
    switch (value.kind) {
      case Tok::Text:
      case Tok::Date:
        node->value = value.text;
        break;
      case Tok::Number: {
        double number = 0;
        if (!ParseNumber(value.text, number)) Fail("bad number", value.at);
        node->value = number;
        break;
      }
      case Tok::Null:
        node->value = Variant::Null();
        break;
      default:
        Fail("value expected", value.at);
    }
    if (node->op == Op::Like) SetLikePattern(*node, value);
    return node;
  }

  static Op ToOp(const std::string& text) {
    if (text == "<") return Op::Less;
    if (text == ">") return Op::Greater;
    if (text == "<=") return Op::LessEqual;
    if (text == ">=") return Op::GreaterEqual;
    if (text == "<>") return Op::NotEqual;
    if (text == "=") return Op::Equal;
    return Op::Like;
  }

  // Wildcards (* or %) are allowed only at the end, or at both ends, of a LIKE value. A lone
  // wildcard is a prefix of nothing: it matches every value that is not null.
  static void SetLikePattern(Criteria::Node& node, const Token& value) {
    if (value.kind != Tok::Text) Fail("LIKE needs a quoted text", value.at);
    std::string text = value.text;
    auto is_wild = [](char c) { return c == '*' || c == '%'; };
    bool trail = !text.empty() && is_wild(text.back());
    if (trail) text.pop_back();
    bool lead = !text.empty() && is_wild(text.front());
    if (lead) text.erase(0, 1);
    for (char c : text) {
      if (is_wild(c)) Fail("wildcard inside a LIKE value", value.at);
    }
    if (lead && !trail) Fail("a LIKE value may not begin with a wildcard only", value.at);
    node.like_mode = lead ? LikeMode::Contains : trail ? LikeMode::Prefix : LikeMode::Exact;
    node.like_text = ToLowerAscii(text);
  }

  std::vector<Token> tokens_;
  const FieldResolver& resolve_;
  size_t pos_ = 0;
};

bool IsNumeric(const Variant& v) {
  return v.IsNumber() || v.type() == Variant::Type::Boolean;
}

int Sign(double d) {
  return d < 0 ? -1 : d > 0 ? 1 : 0;
}

// Compares a field value with a criterion value (neither Null). Numbers compare as numbers when
// both sides read as numbers, everything else as texts without regard to case.
int CompareValues(const Variant& field, const Variant& value) {
  double a = 0, b = 0;
  bool field_number = IsNumeric(field) ? (a = field.ToDouble(), true)
                                       : field.IsText() && ParseNumber(field.ToText(), a);
  bool value_number = IsNumeric(value) ? (b = value.ToDouble(), true)
                                       : value.IsText() && ParseNumber(value.ToText(), b);
  if (field_number && value_number && (IsNumeric(field) || IsNumeric(value))) return Sign(a - b);
  if (field.IsObject()) return 1;
  return CompareIgnoringCase(field.ToText(), value.ToText());
}

bool LeafMatches(const Criteria::Node& node, const Variant& field) {
  if (node.value.IsNull()) {
    if (node.op == Op::Equal) return field.IsNull();
    if (node.op == Op::NotEqual) return !field.IsNull();
    return false;
  }
  if (field.IsNull() || field.IsObject()) return false;
  if (node.op == Op::Like) {
    std::string text = ToLowerAscii(field.ToText());
    switch (node.like_mode) {
      case LikeMode::Exact:
        return text == node.like_text;
      case LikeMode::Prefix:
        return text.compare(0, node.like_text.size(), node.like_text) == 0;
      case LikeMode::Contains:
        return text.find(node.like_text) != std::string::npos;
    }
  }
  int order = CompareValues(field, node.value);
  switch (node.op) {
    case Op::Less:
      return order < 0;
    case Op::Greater:
      return order > 0;
    case Op::LessEqual:
      return order <= 0;
    case Op::GreaterEqual:
      return order >= 0;
    case Op::NotEqual:
      return order != 0;
    default:
      return order == 0;
  }
}

bool NodeMatches(const Criteria::Node& node, std::span<const Variant> record) {
  switch (node.kind) {
    case Criteria::Node::Kind::Leaf:
      return LeafMatches(node, record[static_cast<size_t>(node.field)]);
    case Criteria::Node::Kind::And:
      for (const auto& child : node.children) {
        if (!NodeMatches(*child, record)) return false;
      }
      return true;
    case Criteria::Node::Kind::Or:
      for (const auto& child : node.children) {
        if (NodeMatches(*child, record)) return true;
      }
      return false;
  }
  return false;
}

}  // namespace

Criteria Criteria::Parse(const std::string& text, const FieldResolver& resolve, bool single) {
  Criteria criteria;
  criteria.root_ = Parser(Tokenize(text), resolve).ParseAll(single);
  return criteria;
}

bool Criteria::Matches(std::span<const Variant> record) const {
  return NodeMatches(*root_, record);
}

std::vector<SortKey> ParseSort(const std::string& text, const FieldResolver& resolve) {
  std::vector<SortKey> keys;
  size_t start = 0;
  while (start <= text.size()) {
    size_t comma = text.find(',', start);
    std::string part =
        Trim(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    start = comma == std::string::npos ? text.size() + 1 : comma + 1;
    if (part.empty()) {
      if (comma == std::string::npos && keys.empty()) break;
      throw Error("Invalid sort: empty field in '" + text + "'");
    }
    bool descending = false;
    size_t blank = part.find_last_of(' ');
    if (blank != std::string::npos) {
      std::string order = ToUpperAscii(part.substr(blank + 1));
      if (order == "DESC" || order == "ASC") {
        descending = order == "DESC";
        part = Trim(part.substr(0, blank));
      }
    }
    if (part.size() >= 2 && part.front() == '[' && part.back() == ']') {
      part = part.substr(1, part.size() - 2);
    }
    int32_t field = resolve(part);
    if (field < 0) throw Error("Invalid sort: unknown field '" + part + "'");
    keys.push_back({field, descending});
  }
  return keys;
}

SortValue::SortValue(const Variant& value)
    : rank(value.IsNull() || value.IsEmpty() ? 0
           : IsNumeric(value)                ? 1
                                             : 2),
      object(value.IsObject()) {
  if (rank == 1) number = value.ToDouble();
  if (rank == 2 && !object) folded = ToLowerAscii(value.ToText());
}

int CompareForSort(const SortValue& a, const SortValue& b) {
  if (a.rank != b.rank) return a.rank < b.rank ? -1 : 1;
  if (a.rank == 0) return 0;
  if (a.rank == 1) return Sign(a.number - b.number);
  if (a.object || b.object) return 0;
  // CompareIgnoringCase, on texts folded once.
  const int order = a.folded.compare(b.folded);
  return order < 0 ? -1 : order > 0 ? 1 : 0;
}

}  // namespace qmz
