#include "crypto/DesCipher.h"

#include <bit>

#include <algorithm>
#include <memory>
#include <stdexcept>

#include <openssl/evp.h>

#include "crypto/OpenSslPointers.h"
#include "crypto/Padding.h"
#include "crypto/SecretBytes.h"

namespace {

// Fetched once and shared: the algorithm description holds no key or state.
const EVP_CIPHER* DesEde3Cbc() {
  static const TEvpCipherPtr cipher(EVP_CIPHER_fetch(nullptr, "DES-EDE3-CBC", nullptr));
  if (!cipher) throw std::runtime_error("DES-EDE3-CBC is not available in libcrypto");
  return cipher.get();
}

void Check(int ok) {
  if (ok != 1) throw std::runtime_error("DES-EDE3-CBC operation failed in libcrypto");
}

}  // namespace

TDesCbc::TDesCbc(const TDesKeys& keys, TCipherDirection direction, const t64Bit& iv) : context_(EVP_CIPHER_CTX_new()) {
  if (!context_) throw std::runtime_error("Cannot allocate a cipher context");
  TSecretBytes<24> key;
  std::copy(keys.K1.begin(), keys.K1.end(), key.begin());
  std::copy(keys.K2.begin(), keys.K2.end(), key.begin() + 8);
  std::copy(keys.K3.begin(), keys.K3.end(), key.begin() + 16);
  const int encrypt = direction == TCipherDirection::Encrypt ? 1 : 0;
  Check(EVP_CipherInit_ex2(context_.get(), DesEde3Cbc(), key.data(), iv.data(), encrypt, nullptr));
  Check(EVP_CIPHER_CTX_set_padding(context_.get(), 0));
}

void TDesCbc::Process(std::span<const std::uint8_t> input, std::span<std::uint8_t> output) {
  const std::size_t length = std::min(input.size(), output.size()) / kDesBlockSize * kDesBlockSize;
  if (length == 0) return;
  int written = 0;
  Check(EVP_CipherUpdate(context_.get(), output.data(), &written, input.data(), static_cast<int>(length)));
}

t64Bit DesBlock(TDesKey key, TCipherDirection direction, const t64Bit& block) {
  t64Bit result{};
  TDesCbc(SingleDesKeys(key), direction).Process(block, result);
  return result;
}

void AdjustDesParity(std::span<std::uint8_t, 8> key) {
  for (std::uint8_t& byte : key)
    if (std::popcount(byte) % 2 == 0) byte ^= 0x01;
}
