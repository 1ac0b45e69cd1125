// Variant: the value type that crosses every late-bound call, recordset field and container.
//
// Kinds: Empty (never assigned), Null (database null), Boolean, Integer (64-bit), Double, Text
// (UTF-8) and Object (shared ownership of an Object). Conversions follow the suite's scripting
// language:
//   ToText    Empty -> "", Boolean -> "True"/"False", Double with up to 15 significant digits,
//             Null -> Error ("Invalid use of Null"), Object -> Error.
//   ToInt16 / ToInt32   round half to even; Error outside the range ("Overflow") or for text
//             that is not a number ("Type mismatch"). Empty -> 0, True -> -1.
//   ToDouble  text may carry blanks and thousands separators; Error when it is not a number.
//   ToBool    numbers: non-zero is true; texts "True"/"False" (any case) or numbers.
// A Variant is a plain value: copying shares the object, never deep-copies it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>

namespace qmz {

// Base of everything a Variant can hold by reference (containers, recordsets, components).
class Object {
 public:
  virtual ~Object() = default;
};
using ObjectPtr = std::shared_ptr<Object>;

class Variant {
 public:
  enum class Type { Empty, Null, Boolean, Integer, Double, Text, Object };

  Variant() = default;
  Variant(bool value) : value_(value) {}
  Variant(int value) : value_(static_cast<int64_t>(value)) {}
  Variant(unsigned value) : value_(static_cast<int64_t>(value)) {}
  Variant(long value) : value_(static_cast<int64_t>(value)) {}
  Variant(long long value) : value_(static_cast<int64_t>(value)) {}
  Variant(double value) : value_(value) {}
  Variant(std::string value) : value_(std::move(value)) {}
  Variant(const char* value) : value_(std::string(value)) {}
  Variant(ObjectPtr value) : value_(std::move(value)) {}
  template <class T>
  Variant(std::shared_ptr<T> value) : value_(ObjectPtr(std::move(value))) {}

  static Variant Null();

  Type type() const;
  bool IsEmpty() const { return type() == Type::Empty; }
  bool IsNull() const { return type() == Type::Null; }
  bool IsObject() const { return type() == Type::Object; }
  bool IsNumber() const { return type() == Type::Integer || type() == Type::Double; }
  bool IsText() const { return type() == Type::Text; }

  std::string ToText() const&;
  std::string ToText() &&;  // a text is moved out
  int16_t ToInt16() const;
  int32_t ToInt32() const;
  int64_t ToInt64() const;
  double ToDouble() const;
  bool ToBool() const;

  // The held object, or null when the Variant holds no object.
  ObjectPtr AsObject() const;
  template <class T>
  std::shared_ptr<T> As() const {
    return std::dynamic_pointer_cast<T>(AsObject());
  }

  // Same kind and same value (objects: same instance).
  bool operator==(const Variant& other) const { return value_ == other.value_; }

 private:
  struct NullTag {
    bool operator==(const NullTag&) const { return true; }
  };
  std::variant<std::monostate, NullTag, bool, int64_t, double, std::string, ObjectPtr> value_;
};

// The text form of a double: up to 15 significant digits, no trailing zeros.
std::string DoubleToText(double value);

// Reads a whole text as a number the way the scripting language converts texts: blanks around
// it, a sign, thousands separators before the decimal point, an exponent. False when the text
// is not a number.
bool ParseNumber(const std::string& text, double& out);

}  // namespace qmz
