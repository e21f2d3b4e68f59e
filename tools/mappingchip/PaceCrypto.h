#pragma once
// The symmetric cryptography of PACE with AES, as the chip performs it: the
// key derivation (SHA-1 for 128-bit keys, SHA-256 for longer ones), AES in CBC
// mode without padding, the 8-byte CMAC of the tokens, and the pseudo-random
// function of Integrated Mapping.

#include <cstdint>
#include <span>
#include <string_view>

#include "tools/simchip/Bytes.h"

namespace mappingchip {

using simchip::TBytes;

inline constexpr std::uint32_t kKdfEnc = 1;
inline constexpr std::uint32_t kKdfMac = 2;
inline constexpr std::uint32_t kKdfPassword = 3;

// The first keyLength bytes of H(secret || counter as 4 bytes).
TBytes DeriveKey(std::span<const std::uint8_t> secret, std::uint32_t counter, std::size_t keyLength);
// K_pi of the MRZ information (its SHA-1 first) or of a card access number (its characters as they are).
TBytes MrzPasswordKey(std::string_view mrzInformation, std::size_t keyLength);
TBytes CanPasswordKey(std::string_view can, std::size_t keyLength);

// AES-CBC over whole blocks (std::invalid_argument otherwise); the key length picks AES-128, -192 or -256.
TBytes AesCbcEncrypt(std::span<const std::uint8_t> key, std::span<const std::uint8_t> iv,
                     std::span<const std::uint8_t> data);
TBytes AesCbcDecrypt(std::span<const std::uint8_t> key, std::span<const std::uint8_t> iv,
                     std::span<const std::uint8_t> data);
// AES-CMAC of the data, its first 8 bytes.
TBytes AesCmac8(std::span<const std::uint8_t> key, std::span<const std::uint8_t> data);

// R(s, t) of Integrated Mapping with AES-128: the first key E(t, s), then for each
// of the blocks the next key E(k, c0) and the output block E(k, c1).
TBytes IntegratedMappingRandom(std::span<const std::uint8_t> s, std::span<const std::uint8_t> t, std::size_t blocks);

}  // namespace mappingchip
