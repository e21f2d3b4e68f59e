#pragma once
// The document session: everything Basic Access Control and secure messaging
// carry from one card command to the next.

#include <array>
#include <cstdint>
#include <span>

using t64Bit = std::array<std::uint8_t, 8>;
using t128Bit = std::array<std::uint8_t, 16>;

struct tMRTD_CTX {
  bool BacEnabled = false;  // secure messaging on
  t64Bit SSC{};             // send sequence counter, big-endian
  // After PACE the counter starts at zero and counts from the first command;
  // after BAC an all-zero counter means "no counter" (the MACs of BAC itself).
  bool CounterFromZero = false;
  t64Bit RND_IFD{};  // the terminal's nonce
  t128Bit K_IFD{};   // the terminal's key material
  t128Bit encK{};    // K_Enc while authenticating, KS_Enc afterwards
  t128Bit macK{};    // K_MAC while authenticating, KS_MAC afterwards

  // The two 8-byte halves of each key, over the same bytes.
  std::span<std::uint8_t, 8> encKa() { return std::span<std::uint8_t, 8>(encK.data(), 8); }
  std::span<std::uint8_t, 8> encKb() { return std::span<std::uint8_t, 8>(encK.data() + 8, 8); }
  std::span<std::uint8_t, 8> macKa() { return std::span<std::uint8_t, 8>(macK.data(), 8); }
  std::span<std::uint8_t, 8> macKb() { return std::span<std::uint8_t, 8>(macK.data() + 8, 8); }
  std::span<const std::uint8_t, 8> encKa() const { return std::span<const std::uint8_t, 8>(encK.data(), 8); }
  std::span<const std::uint8_t, 8> encKb() const { return std::span<const std::uint8_t, 8>(encK.data() + 8, 8); }
  std::span<const std::uint8_t, 8> macKa() const { return std::span<const std::uint8_t, 8>(macK.data(), 8); }
  std::span<const std::uint8_t, 8> macKb() const { return std::span<const std::uint8_t, 8>(macK.data() + 8, 8); }
};
