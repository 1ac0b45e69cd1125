// SHA-256 of a text: OpenSSL's on Linux, Windows' CNG on Windows. Thread-safe; never fails.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace qmz::suite {

using Sha256Digest = std::array<uint8_t, 32>;

Sha256Digest Sha256(std::string_view text);

}  // namespace qmz::suite
