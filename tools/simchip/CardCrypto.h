#pragma once
// The cryptography of Basic Access Control and secure messaging with triple
// DES (ICAO 9303 part 11), as the chip performs it: SHA-1 key derivation,
// two-key triple DES in CBC mode with a zero IV, and the ISO/IEC 9797-1
// MAC algorithm 3 with padding method 2.

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "tools/simchip/Bytes.h"

namespace simchip {

inline constexpr std::size_t kBlockSize = 8;
using TBlock = std::array<std::uint8_t, kBlockSize>;
using TKey = std::array<std::uint8_t, 16>;  // two DES keys, Ka then Kb

struct TKeyPair {
  TKey Enc{};
  TKey Mac{};
};

// The first 16 bytes of SHA-1 of the MRZ information.
TKey KeySeedFromMrz(std::string_view mrzInformation);
// K_Enc (counter 1) and K_MAC (counter 2) from a key seed, parity adjusted.
TKeyPair DeriveKeys(const TKey& seed);
// Sets the lowest bit of every byte so that each byte has odd parity.
void AdjustParity(std::span<std::uint8_t> key);

// Padding method 2: 0x80 then zero bytes up to the next multiple of 8; always
// adds at least one byte.
TBytes Pad(std::span<const std::uint8_t> data);
// Length of padded data without its padding; empty when the data does not end
// in 0x80 followed by fewer zero bytes than the block size.
std::optional<std::size_t> UnpaddedLength(std::span<const std::uint8_t> padded, std::size_t blockSize = kBlockSize);

// Two-key triple DES in CBC mode with a zero IV; the length must be a multiple
// of 8 (std::invalid_argument otherwise).
TBytes Encrypt3Des(const TKey& key, std::span<const std::uint8_t> data);
TBytes Decrypt3Des(const TKey& key, std::span<const std::uint8_t> data);

// Retail MAC of the data, which this function pads with method 2.
TBlock RetailMac(const TKey& key, std::span<const std::uint8_t> data);

// Big-endian increment of a send sequence counter.
void Increment(TBlock& counter);

}  // namespace simchip
