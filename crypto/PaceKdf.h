#pragma once
// The key derivation of PACE and its secure messaging: KDF(K, c) is the hash
// of K || c (c a 32-bit big-endian counter), SHA-1 for 3DES and AES-128,
// SHA-256 for AES-192 and AES-256, cut to the suite's key length (3DES keys
// with odd parity). Counter 1
// gives the encryption key, 2 the MAC key, 3 the key from the password.

#include <cstdint>
#include <span>

#include "crypto/PaceProtocols.h"
#include "crypto/SecretBuffer.h"

inline constexpr std::uint32_t kKdfEncryption = 1;
inline constexpr std::uint32_t kKdfMac = 2;
inline constexpr std::uint32_t kKdfPassword = 3;

TSecretBuffer DeriveKey(TPaceCipher cipher, std::span<const std::uint8_t> secret, std::uint32_t counter);
