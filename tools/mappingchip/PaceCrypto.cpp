#include "tools/mappingchip/PaceCrypto.h"

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/params.h>

#include <array>
#include <stdexcept>

#include "tools/mappingchip/OpenSslHandles.h"

namespace mappingchip {

namespace {

constexpr std::size_t kAesBlock = 16;

// The two constants of the pseudo-random function for AES-128 keys.
constexpr std::array<std::uint8_t, 16> kC0{0xA6, 0x68, 0x89, 0x2A, 0x7C, 0x41, 0xE3, 0xCA,
                                           0x73, 0x9F, 0x40, 0xB0, 0x57, 0xD8, 0x59, 0x04};
constexpr std::array<std::uint8_t, 16> kC1{0xA4, 0xE1, 0x36, 0xAC, 0x72, 0x5F, 0x73, 0x8B,
                                           0x01, 0xC1, 0xF6, 0x02, 0x17, 0xC1, 0x88, 0xAD};

const EVP_CIPHER* AesCbc(std::size_t keyLength) {
  switch (keyLength) {
    case 16:
      return EVP_aes_128_cbc();
    case 24:
      return EVP_aes_192_cbc();
    case 32:
      return EVP_aes_256_cbc();
    default:
      throw std::invalid_argument("an AES key is 16, 24 or 32 bytes");
  }
}

TBytes AesCbc(std::span<const std::uint8_t> key, std::span<const std::uint8_t> iv, std::span<const std::uint8_t> data,
              bool encrypt) {
  if (data.size() % kAesBlock != 0 || iv.size() != kAesBlock)
    throw std::invalid_argument("AES-CBC takes whole blocks and a 16-byte IV");
  TCipherCtx context(EVP_CIPHER_CTX_new());
  TBytes out(data.size() + kAesBlock);
  int length = 0;
  int final = 0;
  if (!context || EVP_CipherInit_ex(context.get(), AesCbc(key.size()), nullptr, key.data(), iv.data(), encrypt) != 1 ||
      EVP_CIPHER_CTX_set_padding(context.get(), 0) != 1 ||
      EVP_CipherUpdate(context.get(), out.data(), &length, data.data(), static_cast<int>(data.size())) != 1 ||
      EVP_CipherFinal_ex(context.get(), out.data() + length, &final) != 1)
    throw std::runtime_error("AES-CBC failed");
  out.resize(static_cast<std::size_t>(length + final));
  return out;
}

}  // namespace

TBytes DeriveKey(std::span<const std::uint8_t> secret, std::uint32_t counter, std::size_t keyLength) {
  TBytes input(secret.begin(), secret.end());
  simchip::Append(input, std::array<std::uint8_t, 4>{
                             static_cast<std::uint8_t>(counter >> 24), static_cast<std::uint8_t>(counter >> 16),
                             static_cast<std::uint8_t>(counter >> 8), static_cast<std::uint8_t>(counter)});
  std::array<std::uint8_t, EVP_MAX_MD_SIZE> hash{};
  unsigned int length = 0;
  const bool ok = EVP_Digest(input.data(), input.size(), hash.data(), &length,
                             keyLength > 16 ? EVP_sha256() : EVP_sha1(), nullptr) == 1;
  OPENSSL_cleanse(input.data(), input.size());
  if (!ok || length < keyLength) throw std::runtime_error("the key derivation's digest failed");
  TBytes key(hash.begin(), hash.begin() + static_cast<std::ptrdiff_t>(keyLength));
  OPENSSL_cleanse(hash.data(), hash.size());
  return key;
}

TBytes MrzPasswordKey(std::string_view mrzInformation, std::size_t keyLength) {
  std::array<std::uint8_t, 20> seed{};
  unsigned int length = 0;
  if (EVP_Digest(mrzInformation.data(), mrzInformation.size(), seed.data(), &length, EVP_sha1(), nullptr) != 1)
    throw std::runtime_error("SHA-1 failed");
  TBytes key = DeriveKey(seed, kKdfPassword, keyLength);
  OPENSSL_cleanse(seed.data(), seed.size());
  return key;
}

TBytes CanPasswordKey(std::string_view can, std::size_t keyLength) {
  return DeriveKey(simchip::BytesOf(can), kKdfPassword, keyLength);
}

TBytes AesCbcEncrypt(std::span<const std::uint8_t> key, std::span<const std::uint8_t> iv,
                     std::span<const std::uint8_t> data) {
  return AesCbc(key, iv, data, true);
}

TBytes AesCbcDecrypt(std::span<const std::uint8_t> key, std::span<const std::uint8_t> iv,
                     std::span<const std::uint8_t> data) {
  return AesCbc(key, iv, data, false);
}

TBytes AesCmac8(std::span<const std::uint8_t> key, std::span<const std::uint8_t> data) {
  std::unique_ptr<EVP_MAC, decltype(&EVP_MAC_free)> mac(EVP_MAC_fetch(nullptr, "CMAC", nullptr), EVP_MAC_free);
  std::unique_ptr<EVP_MAC_CTX, decltype(&EVP_MAC_CTX_free)> context(mac ? EVP_MAC_CTX_new(mac.get()) : nullptr,
                                                                    EVP_MAC_CTX_free);
  const char* cipher = key.size() == 16 ? "AES-128-CBC" : key.size() == 24 ? "AES-192-CBC" : "AES-256-CBC";
  std::array<OSSL_PARAM, 2> params{
      OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_CIPHER, const_cast<char*>(cipher), 0), OSSL_PARAM_END};
  std::array<std::uint8_t, 16> full{};
  std::size_t length = 0;
  if (!context || EVP_MAC_init(context.get(), key.data(), key.size(), params.data()) != 1 ||
      EVP_MAC_update(context.get(), data.data(), data.size()) != 1 ||
      EVP_MAC_final(context.get(), full.data(), &length, full.size()) != 1 || length != full.size())
    throw std::runtime_error("AES-CMAC failed");
  return TBytes(full.begin(), full.begin() + 8);
}

TBytes IntegratedMappingRandom(std::span<const std::uint8_t> s, std::span<const std::uint8_t> t, std::size_t blocks) {
  const std::array<std::uint8_t, kAesBlock> zero{};
  TBytes key = AesCbcEncrypt(t, zero, s);
  TBytes out;
  for (std::size_t i = 0; i < blocks; ++i) {
    TBytes next = AesCbcEncrypt(key, zero, kC0);
    simchip::Append(out, AesCbcEncrypt(key, zero, kC1));
    OPENSSL_cleanse(key.data(), key.size());
    key = std::move(next);
  }
  OPENSSL_cleanse(key.data(), key.size());
  return out;
}

}  // namespace mappingchip
