#include "qmz/variant.h"

#include <cmath>
#include <limits>
#include <utility>

#include "platform/plain_number.h"
#include "platform/text.h"
#include "qmz/error.h"

namespace qmz {

namespace {

const char kTypeMismatch[] = "Type mismatch";
const char kOverflow[] = "Overflow";
const char kInvalidNull[] = "Invalid use of Null";

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Rounds half to even and checks the range of the target integer type.
int64_t RoundToInteger(double value, double low, double high) {
  if (std::isnan(value)) throw Error(kOverflow);
  double rounded = std::nearbyint(value);
  if (rounded < low || rounded > high) throw Error(kOverflow);
  return static_cast<int64_t>(rounded);
}

}  // namespace

Variant Variant::Null() {
  Variant v;
  v.value_ = NullTag{};
  return v;
}

Variant::Type Variant::type() const {
  return static_cast<Type>(value_.index());
}

std::string DoubleToText(double value) {
  if (value == 0) return "0";
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value > 0 ? "Infinity" : "-Infinity";
  // A whole number of up to 15 digits is its digits (a quantity, most amounts): no need to round.
  if (std::fabs(value) < 1e15 && std::trunc(value) == value) {
    return std::to_string(static_cast<int64_t>(value));
  }
  // The exponent has at least two digits and a capital E ("1E+20"), as the scripting language
  // writes it.
  std::string text = PlainG(value, 15);
  const size_t e = text.find('e');
  if (e != std::string::npos) text[e] = 'E';
  return text;
}

bool ParseNumber(const std::string& raw, double& out) {
  std::string text = Trim(raw);
  size_t i = 0;
  std::string digits;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) digits += text[i++];
  bool any_digit = false;
  while (i < text.size() && (IsDigit(text[i]) || (text[i] == ',' && any_digit))) {
    if (text[i] != ',') {
      digits += text[i];
      any_digit = true;
    }
    ++i;
  }
  if (i < text.size() && text[i] == '.') {
    digits += text[i++];
    while (i < text.size() && IsDigit(text[i])) {
      digits += text[i++];
      any_digit = true;
    }
  }
  if (!any_digit) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    digits += 'e';
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) digits += text[i++];
    bool exponent_digit = false;
    while (i < text.size() && IsDigit(text[i])) {
      digits += text[i++];
      exponent_digit = true;
    }
    if (!exponent_digit) return false;
  }
  if (i != text.size()) return false;
  out = ReadPlainDouble(digits).value_or(0.0);
  return true;
}

std::string Variant::ToText() && {
  if (auto* text = std::get_if<std::string>(&value_)) return std::move(*text);
  return std::as_const(*this).ToText();
}

std::string Variant::ToText() const& {
  switch (type()) {
    case Type::Empty:
      return {};
    case Type::Null:
      throw Error(kInvalidNull);
    case Type::Boolean:
      return std::get<bool>(value_) ? "True" : "False";
    case Type::Integer:
      return std::to_string(std::get<int64_t>(value_));
    case Type::Double:
      return DoubleToText(std::get<double>(value_));
    case Type::Text:
      return std::get<std::string>(value_);
    case Type::Object:
      break;
  }
  throw Error(kTypeMismatch);
}

double Variant::ToDouble() const {
  switch (type()) {
    case Type::Empty:
      return 0;
    case Type::Null:
      throw Error(kInvalidNull);
    case Type::Boolean:
      return std::get<bool>(value_) ? -1 : 0;
    case Type::Integer:
      return static_cast<double>(std::get<int64_t>(value_));
    case Type::Double:
      return std::get<double>(value_);
    case Type::Text: {
      double number = 0;
      if (!ParseNumber(std::get<std::string>(value_), number)) throw Error(kTypeMismatch);
      return number;
    }
    case Type::Object:
      break;
  }
  throw Error(kTypeMismatch);
}

int64_t Variant::ToInt64() const {
  if (type() == Type::Integer) return std::get<int64_t>(value_);
  return RoundToInteger(ToDouble(), -9223372036854775808.0, 9223372036854774784.0);
}

int32_t Variant::ToInt32() const {
  if (type() == Type::Integer) {
    int64_t v = std::get<int64_t>(value_);
    if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) {
      throw Error(kOverflow);
    }
    return static_cast<int32_t>(v);
  }
  return static_cast<int32_t>(RoundToInteger(ToDouble(), -2147483648.0, 2147483647.0));
}

int16_t Variant::ToInt16() const {
  int64_t v = type() == Type::Integer ? std::get<int64_t>(value_)
                                      : RoundToInteger(ToDouble(), -32768.0, 32767.0);
  if (v < -32768 || v > 32767) throw Error(kOverflow);
  return static_cast<int16_t>(v);
}

bool Variant::ToBool() const {
  switch (type()) {
    case Type::Boolean:
      return std::get<bool>(value_);
    case Type::Text: {
      const std::string& text = std::get<std::string>(value_);
      std::string trimmed = Trim(text);
      if (EqualsIgnoreCase(trimmed, "True")) return true;
      if (EqualsIgnoreCase(trimmed, "False")) return false;
      return ToDouble() != 0;
    }
    default:
      return ToDouble() != 0;
  }
}

ObjectPtr Variant::AsObject() const {
  if (type() != Type::Object) return nullptr;
  return std::get<ObjectPtr>(value_);
}

}  // namespace qmz
