// Decimal: an exact decimal number at a fixed scale of 10 places, for quantities that are added,
// taken and compared: 0.1 + 0.1 + 0.1 is 0.3 to the last place, as a clerk counts, never the
// binary floating point 0.30000000000000004.
//
// Range: 128 bits of ten-billionths, about ±1.7e28. Conversions:
//  - FromDouble: the number a database answers, through its shortest decimal text (the double
//    nearest 0.1 reads as 0.1), rounded half away from zero to 10 places;
//  - Parse: a text a person types: blanks around it, an optional sign, digits with thousands
//    commas before an optional point and decimals (more than 10 are rounded), an optional
//    exponent ("1e3");
//  - ToDouble: the double nearest the decimal; ToText the shortest text ("0.1", "40", "-2.5").
// Errors (qmz::Error): a double that is not finite or a number out of range; Parse answers
// nullopt for a text that is no number. Plain value; safe on any thread.
#pragma once

#include <compare>
#include <optional>
#include <string>
#include <string_view>

namespace qmz {

class Decimal {
 public:
  static constexpr int kScale = 10;

  Decimal() = default;
  static Decimal FromDouble(double value);
  static std::optional<Decimal> Parse(std::string_view text);

  double ToDouble() const;
  std::string ToText() const;
  // With at least `min_decimals` places (trailing zeros past them dropped) and the integer part
  // grouped by thousands: Format(2) of 1234.5 is "1,234.50", Format(0) of 2.5 is "2.5".
  std::string Format(int min_decimals) const;

  bool IsZero() const { return units_ == 0; }
  bool IsNegative() const { return units_ < 0; }

  Decimal operator+(Decimal other) const;
  Decimal operator-(Decimal other) const;
  Decimal& operator+=(Decimal other) { return *this = *this + other; }
  Decimal& operator-=(Decimal other) { return *this = *this - other; }
  auto operator<=>(const Decimal&) const = default;
  bool operator==(const Decimal&) const = default;

 private:
  explicit Decimal(__int128 units) : units_(units) {}
  std::string Text(int min_decimals, bool grouped) const;

  __int128 units_ = 0;  // the value in ten-billionths
};

// A quantity a host hands in as a double: Error ("<what>, nan, is not a number above 0") unless
// it is finite and above 0.
Decimal QuantityAboveZero(double value, const std::string& what);

}  // namespace qmz
