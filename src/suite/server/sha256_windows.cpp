#include <windows.h>

#include <bcrypt.h>

#include "suite/server/sha256.h"

namespace qmz::suite {

Sha256Digest Sha256(std::string_view text) {
  // The algorithm's provider, opened once and shared: CNG's handles are safe across threads.
  static const BCRYPT_ALG_HANDLE algorithm = [] {
    BCRYPT_ALG_HANDLE opened = nullptr;
    ::BCryptOpenAlgorithmProvider(&opened, BCRYPT_SHA256_ALGORITHM, nullptr, 0);
    return opened;
  }();
  Sha256Digest digest{};
  ::BCryptHash(algorithm, nullptr, 0, reinterpret_cast<PUCHAR>(const_cast<char*>(text.data())),
               static_cast<ULONG>(text.size()), digest.data(), static_cast<ULONG>(digest.size()));
  return digest;
}

}  // namespace qmz::suite
