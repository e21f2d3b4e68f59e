#include "activeauth/Iso9796Signature.h"

#include <memory>
#include <optional>
#include <vector>

#include <openssl/bn.h>
#include <openssl/crypto.h>
#include <openssl/rsa.h>

#include "crypto/OpenSslPointers.h"

namespace {

constexpr std::uint8_t kPartialRecoveryHeader = 0x6A;
constexpr std::uint8_t kImplicitSha1Trailer = 0xBC;
constexpr std::uint8_t kExplicitTrailer = 0xCC;
constexpr std::uint8_t kTrailerNibble = 0x0C;

// The hash identifiers of ISO/IEC 10118-3 in a two-byte trailer xx CC.
struct THashIdentifier {
  std::uint8_t Identifier;
  const EVP_MD* (*Digest)();
};
constexpr THashIdentifier kHashIdentifiers[] = {
    {0x33, EVP_sha1}, {0x38, EVP_sha224}, {0x34, EVP_sha256}, {0x36, EVP_sha384}, {0x35, EVP_sha512},
};

struct TTrailer {
  const EVP_MD* Digest = nullptr;
  std::size_t Length = 0;
};

TAaResult Failed(std::string reason) { return {TAaVerdict::Failed, std::move(reason)}; }

std::optional<TTrailer> ReadTrailer(std::span<const std::uint8_t> representative) {
  const std::uint8_t last = representative.back();
  if (last == kImplicitSha1Trailer) return TTrailer{EVP_sha1(), 1};
  if (last != kExplicitTrailer || representative.size() < 2) return std::nullopt;
  const std::uint8_t identifier = representative[representative.size() - 2];
  for (const THashIdentifier& entry : kHashIdentifiers)
    if (entry.Identifier == identifier) return TTrailer{entry.Digest(), 2};
  return std::nullopt;
}

bool HashOf(const EVP_MD* digest, std::span<const std::uint8_t> first, std::span<const std::uint8_t> second,
            std::vector<std::uint8_t>& hash) {
  const TEvpMdCtxPtr context(EVP_MD_CTX_new());
  unsigned int length = 0;
  hash.resize(EVP_MAX_MD_SIZE);
  const bool done = context && EVP_DigestInit_ex(context.get(), digest, nullptr) == 1 &&
                    EVP_DigestUpdate(context.get(), first.data(), first.size()) == 1 &&
                    EVP_DigestUpdate(context.get(), second.data(), second.size()) == 1 &&
                    EVP_DigestFinal_ex(context.get(), hash.data(), &length) == 1;
  hash.resize(length);
  return done;
}

// signature ^ e mod n at the modulus length; nothing when libcrypto refuses
// it (longer than the modulus, not below it).
std::optional<std::vector<std::uint8_t>> RaiseToExponent(EVP_PKEY& key, std::span<const std::uint8_t> signature) {
  const TEvpPkeyCtxPtr context(EVP_PKEY_CTX_new(&key, nullptr));
  std::size_t length = 0;
  if (!context || EVP_PKEY_verify_recover_init(context.get()) != 1 ||
      EVP_PKEY_CTX_set_rsa_padding(context.get(), RSA_NO_PADDING) != 1 ||
      EVP_PKEY_verify_recover(context.get(), nullptr, &length, signature.data(), signature.size()) != 1)
    return std::nullopt;
  std::vector<std::uint8_t> result(length);
  if (EVP_PKEY_verify_recover(context.get(), result.data(), &length, signature.data(), signature.size()) != 1)
    return std::nullopt;
  result.resize(length);
  return result;
}

// n - value, at value's length.
bool SubtractFromModulus(EVP_PKEY& key, std::vector<std::uint8_t>& value) {
  BIGNUM* modulus = nullptr;
  if (EVP_PKEY_get_bn_param(&key, "n", &modulus) != 1) return false;
  const TBignumPtr n(modulus);
  const TBignumPtr f(BN_bin2bn(value.data(), static_cast<int>(value.size()), nullptr));
  return f && BN_sub(f.get(), n.get(), f.get()) == 1 && !BN_is_negative(f.get()) &&
         BN_bn2binpad(f.get(), value.data(), static_cast<int>(value.size())) >= 0;
}

}  // namespace

TAaResult CheckRecoveredMessage(std::span<const std::uint8_t> representative, std::span<const std::uint8_t> challenge) {
  if (representative.empty() || representative.front() != kPartialRecoveryHeader) return Failed("wrong 9796-2 header");
  const std::optional<TTrailer> trailer = ReadTrailer(representative);
  if (!trailer) return Failed("wrong 9796-2 trailer");
  const std::size_t hashLength = static_cast<std::size_t>(EVP_MD_get_size(trailer->Digest));
  if (representative.size() < 1 + hashLength + trailer->Length) return Failed("signature too short for its hash");

  const std::size_t digestStart = representative.size() - trailer->Length - hashLength;
  const std::span<const std::uint8_t> recovered = representative.subspan(1, digestStart - 1);
  const std::span<const std::uint8_t> digest = representative.subspan(digestStart, hashLength);
  std::vector<std::uint8_t> expected;
  if (!HashOf(trailer->Digest, recovered, challenge, expected) || expected.size() != hashLength)
    return Failed("hash not available");
  if (CRYPTO_memcmp(expected.data(), digest.data(), hashLength) != 0) return Failed("signature does not verify");
  return {TAaVerdict::Passed, {}};
}

TAaResult VerifyIso9796Signature(EVP_PKEY& key, std::span<const std::uint8_t> signature,
                                 std::span<const std::uint8_t> challenge) {
  const int modulusBits = EVP_PKEY_get_bits(&key);
  std::optional<std::vector<std::uint8_t>> raised = RaiseToExponent(key, signature);
  if (modulusBits <= 1 || !raised || raised->empty()) return Failed("signature does not fit the key");

  std::vector<std::uint8_t>& value = *raised;
  if ((value.back() & 0x0F) != kTrailerNibble && !SubtractFromModulus(key, value))
    return Failed("signature does not fit the key");

  // The representative has one bit less than the modulus: a modulus of 8k + 1
  // bits leaves a first byte that must be zero.
  const std::size_t representativeLength = (static_cast<std::size_t>(modulusBits) - 1 + 7) / 8;
  if (value.size() < representativeLength) return Failed("signature does not fit the key");
  const std::size_t extra = value.size() - representativeLength;
  for (std::size_t i = 0; i < extra; ++i)
    if (value[i] != 0) return Failed("wrong 9796-2 header");
  return CheckRecoveredMessage(std::span<const std::uint8_t>(value).subspan(extra), challenge);
}
