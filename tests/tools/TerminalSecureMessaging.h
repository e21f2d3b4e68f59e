#pragma once
// The terminal's end of secure messaging written on libcrypto alone (3DES with
// the retail MAC, AES with IV = E(KS_Enc, SSC) and CMAC), and the Chip
// Authentication key derivation: what the tests check the chip's answers
// with, apart from the chip's own cryptography.

#include <openssl/evp.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "crypto/OpenSslPointers.h"
#include "reader/Apdu.h"
#include "support/Hex.h"

namespace simchip::testing {

struct TTerminalSm {
  bool Aes = false;
  TBytes Enc;
  TBytes Mac;
  TBytes Counter;  // 8 bytes for 3DES, 16 for AES

  // CLA 0C, DO'87' for data, DO'97' for Le, DO'8E', Le 00; one counter step.
  TBytes Protect(const TCommandApdu& plain);
  struct TOpened {
    TBytes Data;
    std::uint16_t Status = 0;
  };
  // DO'87', DO'99', DO'8E' and the status word, its MAC checked; one counter
  // step. Empty when the answer is not protected or its MAC is wrong.
  std::optional<TOpened> Open(std::span<const std::uint8_t> answer);
};

// A session after Chip Authentication: KS_Enc and KS_MAC from the shared
// secret by SHA-1 (keyLength 16) or SHA-256 (24, 32), counter zero.
TTerminalSm CaSession(std::span<const std::uint8_t> secret, bool aes, std::size_t keyLength);

// The shared secret of two keys by EVP_PKEY_derive (DH at the length of p).
TBytes DeriveSecret(EVP_PKEY& own, EVP_PKEY& peer);

// A terminal's ephemeral key pair in the group of the chip's key; with
// leadingZero one whose shared secret with it starts with a zero byte (about
// one key in 256), where a secret cut to its significant bytes goes wrong.
TEvpPkeyPtr EphemeralKey(EVP_PKEY& chipKey, bool leadingZero);

}  // namespace simchip::testing
