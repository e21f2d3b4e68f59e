#include "tools/simchip/CardCrypto.h"

#include <openssl/evp.h>
#include <openssl/sha.h>

#include <algorithm>
#include <memory>
#include <stdexcept>

#include "crypto/OpenSslPointers.h"

namespace simchip {

namespace {

// Triple DES with the 24-byte key K1 K2 K3, in the given mode, zero IV, no
// padding. Single DES is the same cipher with the one key repeated.
TBytes RunDesEde3(const EVP_CIPHER* cipher, std::span<const std::uint8_t, 24> key, std::span<const std::uint8_t> data,
                  bool encrypt) {
  if (data.size() % kBlockSize != 0) throw std::invalid_argument("DES input is not a whole number of blocks");
  TEvpCipherCtxPtr context(EVP_CIPHER_CTX_new());
  const TBlock iv{};
  TBytes out(data.size() + kBlockSize);
  int written = 0;
  int last = 0;
  const bool ok =
      context && EVP_CipherInit_ex(context.get(), cipher, nullptr, key.data(), iv.data(), encrypt ? 1 : 0) == 1 &&
      EVP_CIPHER_CTX_set_padding(context.get(), 0) == 1 &&
      EVP_CipherUpdate(context.get(), out.data(), &written, data.data(), static_cast<int>(data.size())) == 1 &&
      EVP_CipherFinal_ex(context.get(), out.data() + written, &last) == 1;
  if (!ok) throw std::runtime_error("the DES cipher is not available");
  out.resize(static_cast<std::size_t>(written + last));
  return out;
}

std::array<std::uint8_t, 24> Ede3Key(std::span<const std::uint8_t, 8> k1, std::span<const std::uint8_t, 8> k2) {
  std::array<std::uint8_t, 24> key{};
  std::copy(k1.begin(), k1.end(), key.begin());
  std::copy(k2.begin(), k2.end(), key.begin() + 8);
  std::copy(k1.begin(), k1.end(), key.begin() + 16);
  return key;
}

std::span<const std::uint8_t, 8> Ka(const TKey& key) { return std::span<const std::uint8_t, 8>(key.data(), 8); }
std::span<const std::uint8_t, 8> Kb(const TKey& key) { return std::span<const std::uint8_t, 8>(key.data() + 8, 8); }

TKey Sha1Prefix(std::span<const std::uint8_t> data) {
  std::array<std::uint8_t, SHA_DIGEST_LENGTH> digest{};
  unsigned int length = 0;
  if (EVP_Digest(data.data(), data.size(), digest.data(), &length, EVP_sha1(), nullptr) != 1)
    throw std::runtime_error("SHA-1 is not available");
  TKey key{};
  std::copy_n(digest.begin(), key.size(), key.begin());
  return key;
}

TKey DeriveKey(const TKey& seed, std::uint8_t counter) {
  TBytes input(seed.begin(), seed.end());
  Append(input, std::array<std::uint8_t, 4>{0, 0, 0, counter});
  TKey key = Sha1Prefix(input);
  AdjustParity(key);
  return key;
}

}  // namespace

TKey KeySeedFromMrz(std::string_view mrzInformation) { return Sha1Prefix(BytesOf(mrzInformation)); }

TKeyPair DeriveKeys(const TKey& seed) { return {DeriveKey(seed, 1), DeriveKey(seed, 2)}; }

void AdjustParity(std::span<std::uint8_t> key) {
  for (auto& b : key) {
    const int ones = __builtin_popcount(b & 0xFE);
    b = static_cast<std::uint8_t>((b & 0xFE) | (ones % 2 == 0 ? 1 : 0));
  }
}

TBytes Pad(std::span<const std::uint8_t> data) {
  TBytes padded(data.begin(), data.end());
  padded.push_back(0x80);
  while (padded.size() % kBlockSize != 0) padded.push_back(0x00);
  return padded;
}

std::optional<std::size_t> UnpaddedLength(std::span<const std::uint8_t> padded, std::size_t blockSize) {
  std::size_t n = padded.size();
  while (n > 0 && padded.size() - n < blockSize && padded[n - 1] == 0x00) --n;
  if (n == 0 || padded[n - 1] != 0x80) return std::nullopt;
  return n - 1;
}

TBytes Encrypt3Des(const TKey& key, std::span<const std::uint8_t> data) {
  return RunDesEde3(EVP_des_ede3_cbc(), Ede3Key(Ka(key), Kb(key)), data, true);
}

TBytes Decrypt3Des(const TKey& key, std::span<const std::uint8_t> data) {
  return RunDesEde3(EVP_des_ede3_cbc(), Ede3Key(Ka(key), Kb(key)), data, false);
}

TBlock RetailMac(const TKey& key, std::span<const std::uint8_t> data) {
  // CBC with single DES under Ka over every block but the last; the last one
  // goes through E(Ka) D(Kb) E(Ka), which is triple DES under Ka, Kb, Ka.
  const TBytes padded = Pad(data);
  const std::size_t leading = padded.size() - kBlockSize;
  TBlock chain{};
  if (leading > 0) {
    const TBytes cbc =
        RunDesEde3(EVP_des_ede3_cbc(), Ede3Key(Ka(key), Ka(key)), std::span(padded).first(leading), true);
    std::copy(cbc.end() - kBlockSize, cbc.end(), chain.begin());
  }
  for (std::size_t i = 0; i < kBlockSize; ++i) chain[i] ^= padded[leading + i];
  const TBytes mac = RunDesEde3(EVP_des_ede3_ecb(), Ede3Key(Ka(key), Kb(key)), chain, true);
  TBlock result{};
  std::copy(mac.begin(), mac.end(), result.begin());
  return result;
}

void Increment(TBlock& counter) {
  for (auto it = counter.rbegin(); it != counter.rend(); ++it)
    if (++*it != 0) return;
}

}  // namespace simchip
