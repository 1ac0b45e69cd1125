// What the server tests share: a lookup's answer as one text, and what the scripts that start
// their servers tell them.
#pragma once

#include <cstdlib>
#include <memory>
#include <string>

#include "qmz/containers.h"

namespace qmz::testing {

// Every key and value of an answer ("key=value;" each), or "null" for no dictionary.
inline std::string Text(const ObjectPtr& answer) {
  auto row = std::dynamic_pointer_cast<Dictionary>(answer);
  if (!row) return "null";
  std::string text;
  for (const auto& [key, value] : row->Entries()) text += key + "=" + value.ToText() + ";";
  return text;
}

// The environment variable `name` that tests/pg/server.sh or site.sh set, "" when run alone.
inline std::string FromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace qmz::testing
