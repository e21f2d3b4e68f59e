#pragma once
// What the cipher suite of a PACE protocol changes in the protocol: how the
// nonce is deciphered with K_π and how an authentication token is computed.
// 3DES: two-key triple DES in CBC with a zero IV, and the retail MAC; AES: AES
// in CBC with a zero IV, and CMAC cut to 8 bytes.

#include <array>
#include <cstdint>
#include <span>

#include "crypto/PaceProtocols.h"
#include "crypto/SecretBuffer.h"

using TAuthenticationToken = std::array<std::uint8_t, 8>;

// data (whole blocks) enciphered under key in CBC with a zero IV: the block
// cipher E() of Integrated Mapping's pseudo-random function.
TSecretBuffer EncryptBlocks(TPaceCipher cipher, std::span<const std::uint8_t> key, std::span<const std::uint8_t> data);
// The nonce s from its encipherment z (whole blocks of the suite's cipher).
TSecretBuffer DecryptNonce(TPaceCipher cipher, std::span<const std::uint8_t> kPi, std::span<const std::uint8_t> z);
// The token over a public key data object, under KS_MAC.
TAuthenticationToken AuthenticationToken(TPaceCipher cipher, std::span<const std::uint8_t> macKey,
                                         std::span<const std::uint8_t> publicKeyObject);
