#include "platform/plain_number.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace qmz {

namespace {

std::string Written(double value, std::chars_format format, int precision) {
  char text[64];
  const auto [end, error] = std::to_chars(text, text + sizeof text, value, format, precision);
  if (error != std::errc()) return {};  // 64 bytes hold any double at precision 17
  return std::string(text, end);
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Whether the decimal number `text` (as from_chars found it out of range) is below 1 in
// magnitude: the power of ten of its first significant digit is negative.
bool BelowOne(std::string_view text) {
  size_t i = 0;
  long power = -1;  // the first significant digit's power of ten, before the exponent
  bool found = false;
  long before_point = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    if (found || text[i] != '0') {
      found = true;
      ++before_point;
    }
  }
  if (found) {
    power = before_point - 1;
  } else if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && text[i] == '0'; ++i) --power;
  }
  for (; i < text.size() && (IsDigit(text[i]) || text[i] == '.'); ++i) {
  }
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    long exponent = 0;
    const char* begin = text.data() + i + 1;
    if (begin < text.data() + text.size() && *begin == '+') ++begin;
    const auto [end, error] = std::from_chars(begin, text.data() + text.size(), exponent);
    // An exponent too long for a long is beyond any double either way; its sign decides.
    if (error == std::errc::result_out_of_range) return *begin == '-';
    power += exponent;
  }
  return power < 0;
}

}  // namespace

std::string PlainG(double value, int significant) {
  return Written(value, std::chars_format::general, significant);
}

std::string PlainE(double value, int decimals) {
  return Written(value, std::chars_format::scientific, decimals);
}

std::optional<double> ReadPlainDouble(std::string_view text) {
  const bool negative = text.starts_with('-');
  std::string_view magnitude = text;
  if (negative || text.starts_with('+')) magnitude.remove_prefix(1);
  // from_chars takes no plus sign, and a second sign would be read after the first.
  if (magnitude.starts_with('-') || magnitude.starts_with('+')) return std::nullopt;
  double value = 0;
  const auto [end, error] =
      std::from_chars(magnitude.data(), magnitude.data() + magnitude.size(), value);
  if (end != magnitude.data() + magnitude.size()) return std::nullopt;
  if (error == std::errc::result_out_of_range) {
    value = BelowOne(magnitude) ? 0.0 : HUGE_VAL;
  } else if (error != std::errc()) {
    return std::nullopt;
  }
  return negative ? -value : value;
}

}  // namespace qmz
