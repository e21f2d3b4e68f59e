#pragma once
// Active Authentication with an RSA key: ISO/IEC 9796-2 digital signature
// scheme 1 with partial message recovery, the challenge as the
// non-recoverable part (ICAO 9303-11 §6.1). libcrypto gives the raw RSA
// public operation; the message representative is examined here.

#include <cstdint>
#include <span>

#include <openssl/evp.h>

#include "activeauth/ActiveAuthResult.h"

// Checks a recovered message representative F = 6A || M1 || H(M1 || challenge)
// || trailer, F taken at its full length. The trailer names the hash: BC for
// SHA-1, or xx CC with xx 33 (SHA-1), 38 (SHA-224), 34 (SHA-256), 36
// (SHA-384), 35 (SHA-512). Passed, or Failed with the first thing that is wrong.
TAaResult CheckRecoveredMessage(std::span<const std::uint8_t> representative, std::span<const std::uint8_t> challenge);

// Verifies the chip's signature with its RSA key: raises it to the public
// exponent, takes the representative at ceil((modulus bits - 1) / 8) bytes
// and, as ISO/IEC 9796-2 lets the signer send n - signature, takes n minus the
// result when the result does not end in the nibble C; then
// CheckRecoveredMessage.
TAaResult VerifyIso9796Signature(EVP_PKEY& key, std::span<const std::uint8_t> signature,
                                 std::span<const std::uint8_t> challenge);
