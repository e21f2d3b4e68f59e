#include "activeauth/EcdsaPlainSignature.h"

#include <memory>
#include <string>
#include <vector>

#include <openssl/bn.h>
#include <openssl/ecdsa.h>

#include "crypto/OpenSslPointers.h"

namespace {

struct TAlgorithmHash {
  std::string_view Oid;
  const EVP_MD* (*Digest)();
};
constexpr TAlgorithmHash kAlgorithms[] = {
    {"0.4.0.127.0.7.1.1.4.1.1", EVP_sha1},   {"0.4.0.127.0.7.1.1.4.1.2", EVP_sha224},
    {"0.4.0.127.0.7.1.1.4.1.3", EVP_sha256}, {"0.4.0.127.0.7.1.1.4.1.4", EVP_sha384},
    {"0.4.0.127.0.7.1.1.4.1.5", EVP_sha512}, {"1.2.840.10045.4.1", EVP_sha1},
    {"1.2.840.10045.4.3.1", EVP_sha224},     {"1.2.840.10045.4.3.2", EVP_sha256},
    {"1.2.840.10045.4.3.3", EVP_sha384},     {"1.2.840.10045.4.3.4", EVP_sha512},
};

// The hash for a group order of up to MaxBits bits when no algorithm is named.
struct TOrderHash {
  int MaxBits;
  const EVP_MD* (*Digest)();
};
constexpr TOrderHash kOrderHashes[] = {
    {160, EVP_sha1},
    {224, EVP_sha224},
    {256, EVP_sha256},
    {384, EVP_sha384},
};

// r || s as a DER ECDSA-Sig-Value; empty when it cannot be made.
std::vector<std::uint8_t> DerSignature(std::span<const std::uint8_t> plain) {
  const std::size_t half = plain.size() / 2;
  TEcdsaSigPtr signature(ECDSA_SIG_new());
  BIGNUM* r = BN_bin2bn(plain.data(), static_cast<int>(half), nullptr);
  BIGNUM* s = BN_bin2bn(plain.data() + half, static_cast<int>(half), nullptr);
  if (!signature || !r || !s || ECDSA_SIG_set0(signature.get(), r, s) != 1) {
    BN_free(r);
    BN_free(s);
    return {};
  }
  const int length = i2d_ECDSA_SIG(signature.get(), nullptr);
  if (length <= 0) return {};
  std::vector<std::uint8_t> der(static_cast<std::size_t>(length));
  unsigned char* cursor = der.data();
  i2d_ECDSA_SIG(signature.get(), &cursor);
  return der;
}

}  // namespace

const EVP_MD* EcdsaDigestFor(std::string_view algorithmOid, int orderBits) {
  if (algorithmOid.empty()) {
    for (const TOrderHash& entry : kOrderHashes)
      if (orderBits <= entry.MaxBits) return entry.Digest();
    return EVP_sha512();
  }
  for (const TAlgorithmHash& entry : kAlgorithms)
    if (entry.Oid == algorithmOid) return entry.Digest();
  return nullptr;
}

TAaResult VerifyEcdsaPlainSignature(EVP_PKEY& key, int orderBits, std::span<const std::uint8_t> signature,
                                    std::span<const std::uint8_t> challenge, std::string_view algorithmOid) {
  const EVP_MD* digest = EcdsaDigestFor(algorithmOid, orderBits);
  if (!digest) return {TAaVerdict::NotPossible, "unknown signature algorithm " + std::string(algorithmOid)};
  const std::size_t expected = 2 * ((static_cast<std::size_t>(orderBits) + 7) / 8);
  if (orderBits <= 0 || signature.size() != expected)
    return {TAaVerdict::Failed,
            "ECDSA signature of " + std::to_string(signature.size()) + " bytes, expected " + std::to_string(expected)};

  const std::vector<std::uint8_t> der = DerSignature(signature);
  const TEvpMdCtxPtr context(EVP_MD_CTX_new());
  const bool verified =
      !der.empty() && context && EVP_DigestVerifyInit(context.get(), nullptr, digest, nullptr, &key) == 1 &&
      EVP_DigestVerify(context.get(), der.data(), der.size(), challenge.data(), challenge.size()) == 1;
  if (!verified) return {TAaVerdict::Failed, "signature does not verify"};
  return {TAaVerdict::Passed, {}};
}
