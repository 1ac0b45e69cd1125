#include <openssl/evp.h>

#include "suite/server/sha256.h"

namespace qmz::suite {

Sha256Digest Sha256(std::string_view text) {
  Sha256Digest digest{};
  unsigned int length = 0;
  EVP_Digest(text.data(), text.size(), digest.data(), &length, EVP_sha256(), nullptr);
  return digest;
}

}  // namespace qmz::suite
