#pragma once
// ISO/IEC 9797-1 padding method 2 (0x80 then zeros up to a multiple of 8).

#include <cstddef>
#include <cstdint>
#include <span>

inline constexpr std::size_t kDesBlockSize = 8;

// Pads the first `length` bytes of buffer (length < buffer.size()): bytes
// from `length` on are zeroed and byte `length` becomes 0x80. Returns the
// padded length: the next multiple of 8 above length, or length itself when
// it already is a multiple of 8 and force is false (nothing added then).
std::size_t PadData(std::span<std::uint8_t> buffer, std::size_t length, bool force);

// The length of data without its padding: trailing zeros and the 0x80 before
// them are dropped. Data whose last non-zero byte is not 0x80 (or that is all
// zeros) keeps its whole length.
std::size_t UnpadData(std::span<const std::uint8_t> data);
