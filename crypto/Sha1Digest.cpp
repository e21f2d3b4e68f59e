#include "crypto/Sha1Digest.h"

#include <memory>
#include <stdexcept>

#include <openssl/evp.h>

#include "crypto/OpenSslPointers.h"

namespace {

const EVP_MD* Sha1Algorithm() {
  static const TEvpMdPtr md(EVP_MD_fetch(nullptr, "SHA1", nullptr));
  if (!md) throw std::runtime_error("SHA1 is not available in libcrypto");
  return md.get();
}

}  // namespace

TSha1Digest Sha1(std::span<const std::uint8_t> data) {
  TSha1Digest digest{};
  unsigned int length = 0;
  if (EVP_Digest(data.data(), data.size(), digest.data(), &length, Sha1Algorithm(), nullptr) != 1 ||
      length != digest.size())
    throw std::runtime_error("SHA1 failed in libcrypto");
  return digest;
}
