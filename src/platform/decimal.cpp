#include "platform/decimal.h"

#include <charconv>
#include <cmath>

#include "qmz/error.h"
#include "qmz/variant.h"

namespace qmz {

namespace {

using Int = __int128;

constexpr Int kLimit = static_cast<Int>(1) << 125;  // well inside 128 bits, for sums

Int PowerOfTen(int exponent) {
  Int power = 1;
  for (int i = 0; i < exponent; ++i) power *= 10;
  return power;
}

const Int kUnit = PowerOfTen(Decimal::kScale);

Int Checked(Int units) {
  if (units >= kLimit || units <= -kLimit) throw Error("Overflow");
  return units;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Digits of a number as a sign, the significant digits and the power of ten of the last one;
// false when the text is no number. Thousands commas may stand between integer digits.
struct Parts {
  bool negative = false;
  std::string digits;
  int exponent = 0;
};

bool Split(std::string_view text, Parts& parts) {
  size_t at = 0;
  const size_t end = text.size();
  if (at < end && (text[at] == '+' || text[at] == '-')) parts.negative = text[at++] == '-';
  bool any = false;
  bool point = false;
  for (; at < end; ++at) {
    const char c = text[at];
    if (IsDigit(c)) {
      parts.digits += c;
      if (point) --parts.exponent;
      any = true;
    } else if (c == '.' && !point) {
      point = true;
    } else if (c == ',' && !point && any && at + 1 < end && IsDigit(text[at + 1])) {
      continue;
    } else {
      break;
    }
  }
  if (!any) return false;
  if (at < end && (text[at] == 'e' || text[at] == 'E')) {
    int exponent = 0;
    const char* first = text.data() + at + 1;
    const char* last = text.data() + end;
    if (first < last && *first == '+') ++first;
    const auto [stop, error] = std::from_chars(first, last, exponent);
    if (error != std::errc() || stop != last || exponent > 60 || exponent < -60) return false;
    parts.exponent += exponent;
    at = end;
  }
  return at == end;
}

// The parts as ten-billionths, rounded half away from zero.
Int ToUnits(const Parts& parts) {
  const int shift = parts.exponent + Decimal::kScale;  // power of ten of the last digit, in units
  Int units = 0;
  int round_digit = 0;
  const int kept = static_cast<int>(parts.digits.size()) + std::min(shift, 0);
  for (int i = 0; i < static_cast<int>(parts.digits.size()); ++i) {
    const int digit = parts.digits[static_cast<size_t>(i)] - '0';
    if (i < kept) {
      units = Checked(units * 10 + digit);
    } else if (i == kept) {
      round_digit = digit;
    }
  }
  for (int i = 0; i < shift; ++i) units = Checked(units * 10);
  if (round_digit >= 5) units = Checked(units + 1);
  return parts.negative ? -units : units;
}

std::string Digits(Int value) {
  std::string text;
  do {
    text.insert(text.begin(), static_cast<char>('0' + static_cast<int>(value % 10)));
    value /= 10;
  } while (value > 0);
  return text;
}

}  // namespace

Decimal Decimal::FromDouble(double value) {
  if (!std::isfinite(value)) throw Error("The quantity " + std::to_string(value) + " is no number");
  char text[64];
  const auto [end, error] = std::to_chars(text, text + sizeof text, value);
  Parts parts;
  if (error != std::errc() ||
      !Split(std::string_view(text, static_cast<size_t>(end - text)), parts)) {
    throw Error("Overflow");
  }
  return Decimal(ToUnits(parts));
}

std::optional<Decimal> Decimal::Parse(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  Parts parts;
  if (!Split(text, parts)) return std::nullopt;
  try {
    return Decimal(ToUnits(parts));
  } catch (const Error&) {
    return std::nullopt;
  }
}

double Decimal::ToDouble() const {
  const std::string text = ToText();
  double value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

std::string Decimal::ToText() const {
  return Text(0, false);
}

std::string Decimal::Format(int min_decimals) const {
  return Text(min_decimals, true);
}

std::string Decimal::Text(int min_decimals, bool grouped) const {
  const Int magnitude = units_ < 0 ? -units_ : units_;
  std::string whole = Digits(magnitude / kUnit);
  if (grouped) {
    for (size_t at = whole.size(); at > 3; at -= 3) whole.insert(at - 3, ",");
  }
  std::string fraction = Digits(magnitude % kUnit + kUnit).substr(1);  // kScale digits
  size_t keep = fraction.size();
  while (keep > static_cast<size_t>(std::max(min_decimals, 0)) && fraction[keep - 1] == '0') --keep;
  fraction.resize(keep);
  for (int extra = min_decimals - kScale; extra > 0; --extra) fraction += '0';
  return (units_ < 0 ? "-" : "") + whole + (fraction.empty() ? "" : "." + fraction);
}

Decimal QuantityAboveZero(double value, const std::string& what) {
  if (!std::isfinite(value) || value <= 0) {
    std::string text;
    if (std::isnan(value)) {
      text = "nan";
    } else if (std::isinf(value)) {
      text = value < 0 ? "-inf" : "inf";
    } else {
      text = Decimal::FromDouble(value).ToText();
    }
    throw Error(what + ", " + text + ", is not a number above 0");
  }
  const Decimal quantity = Decimal::FromDouble(value);
  if (quantity.IsZero())
    throw Error(what + ", " + DoubleToText(value) + ", is not a number above 0");
  return quantity;
}

Decimal Decimal::operator+(Decimal other) const {
  return Decimal(Checked(units_ + other.units_));
}

Decimal Decimal::operator-(Decimal other) const {
  return Decimal(Checked(units_ - other.units_));
}

}  // namespace qmz
