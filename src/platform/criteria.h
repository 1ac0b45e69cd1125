// Filter, Find and Sort criteria of the Recordset, parsed once and evaluated per record.
//
// Grammar (Filter): expr := and-expr { OR and-expr }; and-expr := term { AND term };
// term := '(' expr ')' | field op value. Fields are names or [bracketed names], resolved to
// indexes by the caller. Values: 'text' ('' inside), numbers, #date#, Null. Errors (qmz::Error)
// name what was wrong and where.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "qmz/variant.h"

namespace qmz {

using FieldResolver = std::function<int32_t(const std::string&)>;  // -1 when unknown

class Criteria {
 public:
  // `single` allows exactly one criterion (Find).
  static Criteria Parse(const std::string& text, const FieldResolver& resolve, bool single);
  bool Matches(std::span<const Variant> record) const;

  struct Node;

 private:
  std::shared_ptr<const Node> root_;
};

struct SortKey {
  int32_t field;
  bool descending;
};
std::vector<SortKey> ParseSort(const std::string& text, const FieldResolver& resolve);
// A field value made ready for sorting once, so that comparing two is cheap: its rank (Null and
// Empty, then numbers and Booleans, then texts and objects), its number, its text folded to
// lower case.
struct SortValue {
  explicit SortValue(const Variant& value);
  SortValue() = default;

  int8_t rank = 0;
  bool object = false;
  double number = 0;
  std::string folded;
};
// Order of two field values for sorting: Null first, numbers before texts, texts without
// regard to case, an object equal to any text. Negative, zero or positive.
int CompareForSort(const SortValue& a, const SortValue& b);

}  // namespace qmz
