#pragma once
// Fixed-size byte arrays for key material that are wiped when they go out of
// scope, and the wipe itself (one the optimiser may not drop).

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

void WipeBytes(std::span<std::uint8_t> bytes);

template <std::size_t N>
struct TSecretBytes : std::array<std::uint8_t, N> {
  TSecretBytes() : std::array<std::uint8_t, N>{} {}
  TSecretBytes(const TSecretBytes&) = delete;
  TSecretBytes& operator=(const TSecretBytes&) = delete;
  ~TSecretBytes() { WipeBytes(*this); }
};
