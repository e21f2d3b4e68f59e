#include "tools/simchip/SmCipher.h"

#include <openssl/core_names.h>
#include <openssl/evp.h>

#include <algorithm>
#include <memory>
#include <stdexcept>

#include "crypto/OpenSslPointers.h"

namespace simchip {

namespace {

constexpr std::size_t kAesBlockSize = 16;

const EVP_CIPHER* AesCipher(std::size_t keyLength, bool cbc) {
  switch (keyLength) {
    case 16:
      return cbc ? EVP_aes_128_cbc() : EVP_aes_128_ecb();
    case 24:
      return cbc ? EVP_aes_192_cbc() : EVP_aes_192_ecb();
    case 32:
      return cbc ? EVP_aes_256_cbc() : EVP_aes_256_ecb();
    default:
      throw std::invalid_argument("an AES key is 16, 24 or 32 bytes");
  }
}

TBytes RunAes(std::span<const std::uint8_t> key, std::span<const std::uint8_t> iv, std::span<const std::uint8_t> data,
              bool cbc, bool encrypt) {
  if (data.size() % kAesBlockSize != 0) throw std::invalid_argument("AES input is not a whole number of blocks");
  TEvpCipherCtxPtr context(EVP_CIPHER_CTX_new());
  TBytes out(data.size() + kAesBlockSize);
  int written = 0;
  int last = 0;
  const bool ok =
      context &&
      EVP_CipherInit_ex(context.get(), AesCipher(key.size(), cbc), nullptr, key.data(), cbc ? iv.data() : nullptr,
                        encrypt ? 1 : 0) == 1 &&
      EVP_CIPHER_CTX_set_padding(context.get(), 0) == 1 &&
      EVP_CipherUpdate(context.get(), out.data(), &written, data.data(), static_cast<int>(data.size())) == 1 &&
      EVP_CipherFinal_ex(context.get(), out.data() + written, &last) == 1;
  if (!ok) throw std::runtime_error("the AES cipher is not available");
  out.resize(static_cast<std::size_t>(written + last));
  return out;
}

TKey TripleDesKey(const TBytes& key) {
  if (key.size() != sizeof(TKey)) throw std::invalid_argument("a 3DES key is 16 bytes");
  TKey out{};
  std::copy(key.begin(), key.end(), out.begin());
  return out;
}

// IV = E(KS_Enc, SSC) for AES secure messaging.
TBytes AesIv(const TSmKeys& keys, std::span<const std::uint8_t> counter) {
  return RunAes(keys.Enc, {}, counter, false, true);
}

TBlock AesCmac8(std::span<const std::uint8_t> key, std::span<const std::uint8_t> data) {
  TEvpMacPtr mac(EVP_MAC_fetch(nullptr, "CMAC", nullptr));
  TEvpMacCtxPtr context(mac ? EVP_MAC_CTX_new(mac.get()) : nullptr);
  const EVP_CIPHER* cipher = AesCipher(key.size(), true);
  char* name = const_cast<char*>(EVP_CIPHER_get0_name(cipher));
  const OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_CIPHER, name, 0), OSSL_PARAM_END};
  std::array<std::uint8_t, EVP_MAX_BLOCK_LENGTH> full{};
  std::size_t length = 0;
  const bool ok = context && EVP_MAC_init(context.get(), key.data(), key.size(), params) == 1 &&
                  EVP_MAC_update(context.get(), data.data(), data.size()) == 1 &&
                  EVP_MAC_final(context.get(), full.data(), &length, full.size()) == 1;
  if (!ok || length < kBlockSize) throw std::runtime_error("CMAC is not available");
  TBlock out{};
  std::copy_n(full.begin(), kBlockSize, out.begin());
  return out;
}

}  // namespace

TSmKeys TripleDesKeys(const TKeyPair& keys) {
  return {ESmCipher::TripleDes, TBytes(keys.Enc.begin(), keys.Enc.end()), TBytes(keys.Mac.begin(), keys.Mac.end())};
}

std::size_t SmBlockSize(ESmCipher cipher) { return cipher == ESmCipher::Aes ? kAesBlockSize : kBlockSize; }

TBytes PadTo(std::span<const std::uint8_t> data, std::size_t blockSize) {
  TBytes padded(data.begin(), data.end());
  padded.push_back(0x80);
  while (padded.size() % blockSize != 0) padded.push_back(0x00);
  return padded;
}

TBytes SmEncrypt(const TSmKeys& keys, std::span<const std::uint8_t> counter, std::span<const std::uint8_t> padded) {
  if (keys.Cipher == ESmCipher::TripleDes) return Encrypt3Des(TripleDesKey(keys.Enc), padded);
  return RunAes(keys.Enc, AesIv(keys, counter), padded, true, true);
}

TBytes SmDecrypt(const TSmKeys& keys, std::span<const std::uint8_t> counter, std::span<const std::uint8_t> padded) {
  if (keys.Cipher == ESmCipher::TripleDes) return Decrypt3Des(TripleDesKey(keys.Enc), padded);
  return RunAes(keys.Enc, AesIv(keys, counter), padded, true, false);
}

TBlock SmMac(const TSmKeys& keys, std::span<const std::uint8_t> counter, std::span<const std::uint8_t> data) {
  TBytes input(counter.begin(), counter.end());
  Append(input, data);
  // The retail MAC pads its input itself.
  if (keys.Cipher == ESmCipher::TripleDes) return RetailMac(TripleDesKey(keys.Mac), input);
  return AesCmac8(keys.Mac, PadTo(input, kAesBlockSize));
}

}  // namespace simchip
