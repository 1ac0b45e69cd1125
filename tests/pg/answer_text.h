// A lookup's answer as one text, for the server tests that compare answers: every key and value
// ("key=value;" each), or "null" for no dictionary.
#pragma once

#include <memory>
#include <string>

#include "qmz/containers.h"

namespace qmz::testing {

inline std::string Text(const ObjectPtr& answer) {
  auto row = std::dynamic_pointer_cast<Dictionary>(answer);
  if (!row) return "null";
  std::string text;
  for (const auto& [key, value] : row->Entries()) text += key + "=" + value.ToText() + ";";
  return text;
}

}  // namespace qmz::testing
