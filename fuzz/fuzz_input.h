// Splits a fuzzer's bytes into the texts a target needs: the first byte chooses, the rest is cut
// into texts at each 0xFF byte. Shared by every fuzz target.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qmz::fuzz {

struct Input {
  uint8_t choice = 0;
  std::vector<std::string> texts;

  const std::string& Text(size_t i) const {
    static const std::string empty;
    return i < texts.size() ? texts[i] : empty;
  }
};

inline Input Split(const uint8_t* data, size_t size) {
  Input input;
  if (size == 0) return input;
  input.choice = data[0];
  input.texts.emplace_back();
  for (size_t i = 1; i < size; ++i) {
    if (data[i] == 0xFF) {
      input.texts.emplace_back();
    } else {
      input.texts.back().push_back(static_cast<char>(data[i]));
    }
  }
  return input;
}

// Ends the run as a crash when a property of the code does not hold.
inline void Require(bool holds) {
  if (!holds) __builtin_trap();
}

}  // namespace qmz::fuzz
