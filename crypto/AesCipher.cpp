#include "crypto/AesCipher.h"

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>

#include <openssl/core_names.h>
#include <openssl/evp.h>

#include "crypto/OpenSslPointers.h"
#include "crypto/SecretBytes.h"

namespace {

// Each algorithm is fetched once per process.
const EVP_CIPHER* CbcCipher(std::size_t keyLength) {
  static const TEvpCipherPtr ciphers[] = {
      TEvpCipherPtr(EVP_CIPHER_fetch(nullptr, "AES-128-CBC", nullptr)),
      TEvpCipherPtr(EVP_CIPHER_fetch(nullptr, "AES-192-CBC", nullptr)),
      TEvpCipherPtr(EVP_CIPHER_fetch(nullptr, "AES-256-CBC", nullptr)),
  };
  if (keyLength != 16 && keyLength != 24 && keyLength != 32)
    throw std::runtime_error("AES key of " + std::to_string(keyLength) + " bytes");
  const EVP_CIPHER* cipher = ciphers[(keyLength - 16) / 8].get();
  if (!cipher) throw std::runtime_error("AES is not available in libcrypto");
  return cipher;
}

const char* CbcCipherName(std::size_t keyLength) {
  static constexpr const char* kNames[] = {"AES-128-CBC", "AES-192-CBC", "AES-256-CBC"};
  CbcCipher(keyLength);  // checks the length
  return kNames[(keyLength - 16) / 8];
}

EVP_MAC* CmacAlgorithm() {
  static const TEvpMacPtr mac(EVP_MAC_fetch(nullptr, "CMAC", nullptr));
  if (!mac) throw std::runtime_error("CMAC is not available in libcrypto");
  return mac.get();
}

}  // namespace

void AesCbc(std::span<const std::uint8_t> key, TAesDirection direction, const TAesBlock& iv,
            std::span<const std::uint8_t> input, std::span<std::uint8_t> output) {
  const std::size_t length = input.size() / kAesBlockSize * kAesBlockSize;
  if (output.size() < length) throw std::runtime_error("AES output buffer too short");
  const TEvpCipherCtxPtr context(EVP_CIPHER_CTX_new());
  int produced = 0;
  if (!context ||
      EVP_CipherInit_ex2(context.get(), CbcCipher(key.size()), key.data(), iv.data(),
                         direction == TAesDirection::Encrypt ? 1 : 0, nullptr) != 1 ||
      EVP_CIPHER_CTX_set_padding(context.get(), 0) != 1)
    throw std::runtime_error("AES keying failed in libcrypto");
  if (length > 0 &&
      EVP_CipherUpdate(context.get(), output.data(), &produced, input.data(), static_cast<int>(length)) != 1)
    throw std::runtime_error("AES failed in libcrypto");
}

TAesBlock AesEncryptBlock(std::span<const std::uint8_t> key, const TAesBlock& block) {
  TAesBlock out{};
  AesCbc(key, TAesDirection::Encrypt, TAesBlock{}, block, out);
  return out;
}

TShortMac AesCmac8(std::span<const std::uint8_t> key, std::span<const std::uint8_t> data) {
  const TEvpMacCtxPtr context(EVP_MAC_CTX_new(CmacAlgorithm()));
  std::string cipherName = CbcCipherName(key.size());
  const OSSL_PARAM parameters[] = {
      OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_CIPHER, cipherName.data(), 0),
      OSSL_PARAM_construct_end(),
  };
  TAesBlock full{};
  std::size_t length = 0;
  if (!context || EVP_MAC_init(context.get(), key.data(), key.size(), parameters) != 1 ||
      EVP_MAC_update(context.get(), data.data(), data.size()) != 1 ||
      EVP_MAC_final(context.get(), full.data(), &length, full.size()) != 1 || length != full.size())
    throw std::runtime_error("CMAC failed in libcrypto");
  TShortMac mac{};
  std::copy_n(full.begin(), mac.size(), mac.begin());
  WipeBytes(full);
  return mac;
}

TAesSessionKeys::TAesSessionKeys(std::span<const std::uint8_t> encKey, std::span<const std::uint8_t> macKey)
    : encrypt_(EVP_CIPHER_CTX_new()), decrypt_(EVP_CIPHER_CTX_new()), mac_(EVP_MAC_CTX_new(CmacAlgorithm())) {
  std::string cipherName = CbcCipherName(macKey.size());
  const OSSL_PARAM parameters[] = {
      OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_CIPHER, cipherName.data(), 0),
      OSSL_PARAM_construct_end(),
  };
  const TAesBlock zero{};
  const bool keyed =
      encrypt_ && decrypt_ && mac_ &&
      EVP_CipherInit_ex2(encrypt_.get(), CbcCipher(encKey.size()), encKey.data(), zero.data(), 1, nullptr) == 1 &&
      EVP_CipherInit_ex2(decrypt_.get(), CbcCipher(encKey.size()), encKey.data(), zero.data(), 0, nullptr) == 1 &&
      EVP_CIPHER_CTX_set_padding(encrypt_.get(), 0) == 1 && EVP_CIPHER_CTX_set_padding(decrypt_.get(), 0) == 1 &&
      EVP_MAC_init(mac_.get(), macKey.data(), macKey.size(), parameters) == 1;
  if (!keyed) throw std::runtime_error("AES keying failed in libcrypto");
}

void TAesSessionKeys::Cbc(TAesDirection direction, const TAesBlock& iv, std::span<const std::uint8_t> input,
                          std::span<std::uint8_t> output) {
  const std::size_t length = input.size() / kAesBlockSize * kAesBlockSize;
  if (output.size() < length) throw std::runtime_error("AES output buffer too short");
  EVP_CIPHER_CTX* context = (direction == TAesDirection::Encrypt ? encrypt_ : decrypt_).get();
  int produced = 0;
  // A new IV on the scheduled key.
  if (EVP_CipherInit_ex2(context, nullptr, nullptr, iv.data(), -1, nullptr) != 1 ||
      (length > 0 && EVP_CipherUpdate(context, output.data(), &produced, input.data(), static_cast<int>(length)) != 1))
    throw std::runtime_error("AES failed in libcrypto");
}

TAesBlock TAesSessionKeys::EncryptBlock(const TAesBlock& block) {
  TAesBlock out{};
  Cbc(TAesDirection::Encrypt, TAesBlock{}, block, out);
  return out;
}

TShortMac TAesSessionKeys::Cmac8(std::span<const std::uint8_t> data) {
  TAesBlock full{};
  std::size_t length = 0;
  // Restarting with no key keeps the scheduled one.
  if (EVP_MAC_init(mac_.get(), nullptr, 0, nullptr) != 1 || EVP_MAC_update(mac_.get(), data.data(), data.size()) != 1 ||
      EVP_MAC_final(mac_.get(), full.data(), &length, full.size()) != 1 || length != full.size())
    throw std::runtime_error("CMAC failed in libcrypto");
  TShortMac mac{};
  std::copy_n(full.begin(), mac.size(), mac.begin());
  WipeBytes(full);
  return mac;
}
