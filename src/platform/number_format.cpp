#include "platform/number_format.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "platform/plain_number.h"
#include "platform/utf8.h"
#include "qmz/error.h"
#include "qmz/variant.h"

namespace qmz {
namespace {

struct Token {
  enum Kind { kZero, kHash, kPoint, kComma, kLiteral } kind;
  std::string text;  // kLiteral only
  bool IsDigit() const { return kind == kZero || kind == kHash; }
};

// A parsed pattern: integer tokens (commas already resolved), fraction tokens and the factors.
struct Pattern {
  std::vector<Token> integer;
  std::vector<Token> fraction;
  bool has_point = false;
  bool grouping = false;
  int scale_commas = 0;  // each divides by 1000
  int percents = 0;      // each multiplies by 100
};

void AddLiteral(std::vector<Token>& tokens, const std::string& text) {
  if (!tokens.empty() && tokens.back().kind == Token::kLiteral) {
    tokens.back().text += text;
  } else {
    tokens.push_back({Token::kLiteral, text});
  }
}

std::vector<Token> Tokenize(const std::string& pattern, Pattern& out) {
  std::vector<Token> tokens;
  size_t i = 0;
  while (i < pattern.size()) {
    char c = pattern[i];
    if (c == '0' || c == '#') {
      tokens.push_back({c == '0' ? Token::kZero : Token::kHash, {}});
      ++i;
    } else if (c == '.' && !out.has_point) {
      out.has_point = true;
      tokens.push_back({Token::kPoint, {}});
      ++i;
    } else if (c == ',') {
      tokens.push_back({Token::kComma, {}});
      ++i;
    } else if (c == ';') {
      throw Error("Number format sections are not supported: " + pattern);
    } else if ((c == 'E' || c == 'e') && i + 1 < pattern.size() &&
               (pattern[i + 1] == '+' || pattern[i + 1] == '-')) {
      throw Error("Scientific number formats are not supported: " + pattern);
    } else if (c == '\\' && i + 1 < pattern.size()) {
      const size_t length = CharacterLength(pattern, i + 1);
      AddLiteral(tokens, pattern.substr(i + 1, length));
      i += 1 + length;
    } else if (c == '"') {
      size_t close = pattern.find('"', i + 1);
      if (close == std::string::npos) close = pattern.size();
      AddLiteral(tokens, pattern.substr(i + 1, close - i - 1));
      i = close + 1;
    } else {
      if (c == '%') ++out.percents;
      AddLiteral(tokens, std::string(1, c));
      ++i;
    }
  }
  return tokens;
}

Pattern Parse(const std::string& text) {
  Pattern pattern;
  std::vector<Token> tokens = Tokenize(text, pattern);
  auto point = std::find_if(tokens.begin(), tokens.end(),
                            [](const Token& t) { return t.kind == Token::kPoint; });
  std::vector<Token> integer(tokens.begin(), point);
  if (point != tokens.end()) pattern.fraction.assign(point + 1, tokens.end());

  // Commas of the integer part: grouping between placeholders, scaling after the last one.
  int first = -1, last = -1;
  for (int i = 0; i < static_cast<int>(integer.size()); ++i) {
    if (!integer[i].IsDigit()) continue;
    if (first < 0) first = i;
    last = i;
  }
  for (int i = 0; i < static_cast<int>(integer.size()); ++i) {
    const Token& token = integer[i];
    if (token.kind != Token::kComma) {
      if (token.kind == Token::kLiteral) {
        AddLiteral(pattern.integer, token.text);
      } else {
        pattern.integer.push_back(token);
      }
    } else if (first >= 0 && i > first && i < last) {
      pattern.grouping = true;
    } else if (last >= 0 && i > last) {
      ++pattern.scale_commas;
    } else {
      AddLiteral(pattern.integer, ",");
    }
  }
  if (last < 0) {
    // No integer placeholder: the integer digits, if any, still show just before the point.
    pattern.integer.push_back({Token::kHash, {}});
  }
  for (Token& token : pattern.fraction) {
    if (token.kind == Token::kComma) token = {Token::kLiteral, ","};
  }
  return pattern;
}

// The decimal digits of `magnitude` (>= 0) taken to 15 significant digits and rounded half
// away from zero to `decimals` places: integer digits (may be empty or carry leading zeros)
// and exactly `decimals` fraction digits.
void RoundedDigits(double magnitude, int decimals, std::string& integer, std::string& fraction) {
  const std::string written = PlainE(magnitude, 14);  // "d.dddddddddddddde+XX"
  std::string digits(1, written[0]);
  digits.append(written, 2, 14);
  int point = std::atoi(written.c_str() + written.find('e') + 1) + 1;  // digits before the point
  int keep = point + decimals;
  if (keep < 0) {
    digits.clear();
    point = -decimals;
  } else if (keep < static_cast<int>(digits.size())) {
    bool up = digits[keep] >= '5';
    digits.resize(keep);
    for (int i = keep - 1; up && i >= 0; --i) {
      up = digits[i] == '9';
      digits[i] = up ? '0' : digits[i] + 1;
    }
    if (up) {
      digits.insert(digits.begin(), '1');
      ++point;
    }
  } else {
    digits.append(keep - digits.size(), '0');
  }
  if (point <= 0) {
    integer.clear();
    fraction = std::string(-point, '0') + digits;
  } else {
    integer = digits.substr(0, point);
    fraction = digits.substr(point);
  }
}

std::string FormatInteger(const Pattern& pattern, std::string digits) {
  digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size()));
  size_t placeholders = 0, minimum = 0, first_index = 0;
  bool first_seen = false;
  for (size_t i = 0; i < pattern.integer.size(); ++i) {
    const Token& token = pattern.integer[i];
    if (!token.IsDigit()) continue;
    if (!first_seen) first_index = i;
    first_seen = true;
    ++placeholders;
    if (token.kind == Token::kZero && minimum == 0) minimum = placeholders;
  }
  if (minimum > 0) minimum = placeholders - minimum + 1;
  if (digits.size() < minimum) digits.insert(0, minimum - digits.size(), '0');

  // Right to left: each placeholder takes one digit, the leftmost one takes the rest.
  std::vector<std::string> pieces;
  size_t next = digits.size();
  int emitted = 0;
  auto emit = [&] {
    if (pattern.grouping && emitted > 0 && emitted % 3 == 0) pieces.push_back(",");
    pieces.push_back(std::string(1, digits[--next]));
    ++emitted;
  };
  for (size_t i = pattern.integer.size(); i-- > 0;) {
    const Token& token = pattern.integer[i];
    if (!token.IsDigit()) {
      pieces.push_back(token.text);
    } else if (i == first_index) {
      while (next > 0) emit();
    } else if (next > 0) {
      emit();
    }
  }
  std::string out;
  for (auto it = pieces.rbegin(); it != pieces.rend(); ++it) out += *it;
  return out;
}

std::string FormatFraction(const Pattern& pattern, std::string digits) {
  size_t required = 0, index = 0;
  for (const Token& token : pattern.fraction) {
    if (!token.IsDigit()) continue;
    ++index;
    if (token.kind == Token::kZero) required = index;
  }
  while (digits.size() > required && digits.back() == '0') digits.pop_back();
  std::string out = pattern.has_point ? "." : "";
  size_t next = 0;
  for (const Token& token : pattern.fraction) {
    if (!token.IsDigit()) {
      out += token.text;
    } else if (next < digits.size()) {
      out += digits[next++];
    }
  }
  return out;
}

}  // namespace

std::string FormatNumber(double value, const std::string& pattern_text) {
  if (!std::isfinite(value)) throw Error("Overflow");
  if (pattern_text.empty()) return DoubleToText(value);
  // The pickers format every row with the same few patterns: keep them parsed.
  thread_local std::vector<std::pair<std::string, Pattern>> parsed;
  auto hit = std::find_if(parsed.begin(), parsed.end(),
                          [&](const auto& entry) { return entry.first == pattern_text; });
  if (hit == parsed.end()) {
    if (parsed.size() >= 16) parsed.clear();
    parsed.emplace_back(pattern_text, Parse(pattern_text));
    hit = parsed.end() - 1;
  }
  const Pattern& pattern = hit->second;
  for (int i = 0; i < pattern.percents; ++i) value *= 100;
  for (int i = 0; i < pattern.scale_commas; ++i) value /= 1000;
  if (!std::isfinite(value)) throw Error("Overflow");

  int decimals = static_cast<int>(std::count_if(pattern.fraction.begin(), pattern.fraction.end(),
                                                [](const Token& t) { return t.IsDigit(); }));
  std::string integer, fraction;
  RoundedDigits(std::fabs(value), decimals, integer, fraction);
  bool zero = (integer + fraction).find_first_not_of('0') == std::string::npos;
  std::string sign = value < 0 && !zero ? "-" : "";
  return sign + FormatInteger(pattern, integer) + FormatFraction(pattern, fraction);
}

double LeadingNumber(const std::string& text) {
  size_t i = 0;
  auto skip_blanks = [&] {
    while (i < text.size() &&
           (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n')) {
      ++i;
    }
  };
  auto is_digit = [&](size_t at) { return at < text.size() && text[at] >= '0' && text[at] <= '9'; };

  std::string number;
  skip_blanks();
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) number += text[i++];
  bool any_digit = false, point = false;
  for (skip_blanks(); i < text.size(); ++i, skip_blanks()) {
    if (is_digit(i)) {
      any_digit = true;
    } else if (text[i] != '.' || point) {
      break;
    } else {
      point = true;
    }
    number += text[i];
  }
  if (!any_digit) return 0;

  // An exponent counts only when digits follow it.
  if (i < text.size() && std::string_view("eEdD").find(text[i]) != std::string_view::npos) {
    size_t save = i;
    std::string exponent = "e";
    ++i;
    skip_blanks();
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) exponent += text[i++];
    for (skip_blanks(); is_digit(i); ++i, skip_blanks()) exponent += text[i];
    if (exponent.size() > 1 && std::isdigit(static_cast<unsigned char>(exponent.back()))) {
      number += exponent;
    } else {
      i = save;
    }
  }
  const double value = ReadPlainDouble(number).value_or(0.0);
  if (!std::isfinite(value)) throw Error("Overflow");
  return value == 0 ? 0.0 : value;
}

std::string SingleToText(float value) {
  return PlainG(static_cast<double>(value), 7);
}

}  // namespace qmz
