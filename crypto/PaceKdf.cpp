#include "crypto/PaceKdf.h"

#include "crypto/DesCipher.h"

#include <array>
#include <stdexcept>

#include <openssl/evp.h>

TSecretBuffer DeriveKey(TPaceCipher cipher, std::span<const std::uint8_t> secret, std::uint32_t counter) {
  const bool sha1 = cipher == TPaceCipher::TripleDes || cipher == TPaceCipher::Aes128;
  const std::array<std::uint8_t, 4> counterBytes{
      static_cast<std::uint8_t>(counter >> 24), static_cast<std::uint8_t>(counter >> 16),
      static_cast<std::uint8_t>(counter >> 8), static_cast<std::uint8_t>(counter)};
  TSecretBuffer digest(EVP_MAX_MD_SIZE);
  unsigned int length = 0;
  EVP_MD_CTX* context = EVP_MD_CTX_new();
  const bool done = context && EVP_DigestInit_ex2(context, sha1 ? EVP_sha1() : EVP_sha256(), nullptr) == 1 &&
                    EVP_DigestUpdate(context, secret.data(), secret.size()) == 1 &&
                    EVP_DigestUpdate(context, counterBytes.data(), counterBytes.size()) == 1 &&
                    EVP_DigestFinal_ex(context, digest.data(), &length) == 1;
  EVP_MD_CTX_free(context);
  if (!done) throw std::runtime_error("key derivation failed in libcrypto");
  TSecretBuffer key(digest.Bytes().first(CipherKeyLength(cipher)));
  // Two-key triple DES keys get odd parity, as BAC's do: DES ignores those
  // bits, but the keys then read as every other terminal writes them.
  if (cipher == TPaceCipher::TripleDes) {
    AdjustDesParity(key.Bytes().first<8>());
    AdjustDesParity(key.Bytes().subspan<8, 8>());
  }
  return key;
}
