#include "pace/IntegratedMapping.h"

#include <array>
#include <cstdint>

#include "pace/PaceCipherSuite.h"

namespace {

// The constants c0 and c1: l = 128 bits for 3DES and AES-128, 256 bits for AES-192 and AES-256.
constexpr std::array<std::uint8_t, 16> kC0Short{0xA6, 0x68, 0x89, 0x2A, 0x7C, 0x41, 0xE3, 0xCA,
                                                0x73, 0x9F, 0x40, 0xB0, 0x57, 0xD8, 0x59, 0x04};
constexpr std::array<std::uint8_t, 16> kC1Short{0xA4, 0xE1, 0x36, 0xAC, 0x72, 0x5F, 0x73, 0x8B,
                                                0x01, 0xC1, 0xF6, 0x02, 0x17, 0xC1, 0x88, 0xAD};
constexpr std::array<std::uint8_t, 32> kC0Long{0xD4, 0x63, 0xD6, 0x52, 0x34, 0x12, 0x4E, 0xF7, 0x89, 0x70, 0x54,
                                               0x98, 0x6D, 0xCA, 0x0A, 0x17, 0x4E, 0x28, 0xDF, 0x75, 0x8C, 0xBA,
                                               0xA0, 0x3F, 0x24, 0x06, 0x16, 0x41, 0x4D, 0x5A, 0x16, 0x76};
constexpr std::array<std::uint8_t, 32> kC1Long{0x54, 0xBD, 0x72, 0x55, 0xF0, 0xAA, 0xF8, 0x31, 0xBE, 0xC3, 0x42,
                                               0x3F, 0xCF, 0x39, 0xD6, 0x9B, 0x6C, 0xBF, 0x06, 0x66, 0x77, 0xD0,
                                               0xFA, 0xAE, 0x5A, 0xAD, 0xD9, 0x9D, 0xF8, 0xE5, 0x35, 0x17};

// E(key, data) cut to the cipher's key length: the next key.
TSecretBuffer NextKey(TPaceCipher cipher, std::span<const std::uint8_t> key, std::span<const std::uint8_t> data) {
  const TSecretBuffer output = EncryptBlocks(cipher, key, data);
  return TSecretBuffer(output.Bytes().first(CipherKeyLength(cipher)));
}

}  // namespace

std::size_t IntegratedMappingNonceLength(TPaceCipher cipher) { return CipherKeyLength(cipher); }

std::size_t IntegratedMappingBlockLength(TPaceCipher cipher) {
  return cipher == TPaceCipher::Aes192 || cipher == TPaceCipher::Aes256 ? 32 : 16;
}

std::optional<TSecretBuffer> IntegratedMappingRandom(TPaceCipher cipher, std::span<const std::uint8_t> s,
                                                     std::span<const std::uint8_t> t, int primeBits) {
  const std::size_t l = IntegratedMappingBlockLength(cipher);
  if (s.size() != l || t.size() != IntegratedMappingNonceLength(cipher) || primeBits <= 0) return std::nullopt;
  const bool shortBlocks = l == kC0Short.size();
  const std::span<const std::uint8_t> c0 = shortBlocks ? std::span<const std::uint8_t>(kC0Short) : kC0Long;
  const std::span<const std::uint8_t> c1 = shortBlocks ? std::span<const std::uint8_t>(kC1Short) : kC1Long;
  const std::size_t bits = l * 8;
  const std::size_t blocks = (static_cast<std::size_t>(primeBits) + 64 + bits - 1) / bits;

  TSecretBuffer random(blocks * l);
  TSecretBuffer key = NextKey(cipher, t, s);
  for (std::size_t i = 0; i < blocks; ++i) {
    const TSecretBuffer block = EncryptBlocks(cipher, key.Bytes(), c1);
    std::copy(block.Bytes().begin(), block.Bytes().end(), random.Bytes().subspan(i * l, l).begin());
    key = NextKey(cipher, key.Bytes(), c0);
  }
  return random;
}
