#pragma once
// Byte-level helpers of the access protocol: comparison, XOR and the
// big-endian counter increment of the send sequence counter.

#include <cstdint>
#include <span>

// True when both have the same length and the same bytes; the bytes are
// compared in constant time (CRYPTO_memcmp).
bool SameBytes(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b);
// destination[i] ^= source[i] for every index of source (destination at least as long).
void XorBytes(std::span<std::uint8_t> destination, std::span<const std::uint8_t> source);
// Adds one to the unsigned big-endian number in counter; all 0xFF wraps to all zeros.
void IncrementCounter(std::span<std::uint8_t> counter);
// True when every byte is zero (an all-zero send sequence counter means "no counter").
bool AllZero(std::span<const std::uint8_t> bytes);
