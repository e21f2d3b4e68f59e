#pragma once
// AES (128, 192 or 256-bit keys) on OpenSSL's libcrypto: CBC over whole
// blocks without padding, one block in ECB (the IV of AES secure messaging),
// and CMAC truncated to 8 bytes (EVP_MAC).

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "crypto/OpenSslPointers.h"

inline constexpr std::size_t kAesBlockSize = 16;
using TAesBlock = std::array<std::uint8_t, kAesBlockSize>;
using TShortMac = std::array<std::uint8_t, 8>;

enum class TAesDirection { Encrypt, Decrypt };

// Processes input.size() / 16 whole blocks into output (at least as long)
// in CBC mode from iv. Raises std::runtime_error when libcrypto fails or the
// key is not 16, 24 or 32 bytes.
void AesCbc(std::span<const std::uint8_t> key, TAesDirection direction, const TAesBlock& iv,
            std::span<const std::uint8_t> input, std::span<std::uint8_t> output);
// One block enciphered (AES-ECB).
TAesBlock AesEncryptBlock(std::span<const std::uint8_t> key, const TAesBlock& block);
// The first 8 bytes of AES-CMAC (NIST SP 800-38B) over data.
TShortMac AesCmac8(std::span<const std::uint8_t> key, std::span<const std::uint8_t> data);

// The same operations for a session's many commands: the encryption key and
// the MAC key scheduled once (libcrypto contexts, freed and so cleansed with
// this object); each operation only restarts them.
class TAesSessionKeys {
public:
  TAesSessionKeys(std::span<const std::uint8_t> encKey, std::span<const std::uint8_t> macKey);
  TAesSessionKeys(const TAesSessionKeys&) = delete;
  TAesSessionKeys& operator=(const TAesSessionKeys&) = delete;

  void Cbc(TAesDirection direction, const TAesBlock& iv, std::span<const std::uint8_t> input,
           std::span<std::uint8_t> output);
  TAesBlock EncryptBlock(const TAesBlock& block);
  TShortMac Cmac8(std::span<const std::uint8_t> data);

private:
  TEvpCipherCtxPtr encrypt_;
  TEvpCipherCtxPtr decrypt_;
  TEvpMacCtxPtr mac_;
};
