#pragma once
// EF.ATR/INFO (file 2F01 in the master file, ISO/IEC 7816-4): among its data
// objects, DO'7F66' (extended length information) holds two DO'02'
// integers, the most bytes of a command APDU and of a response APDU the chip
// takes.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

inline constexpr std::uint16_t kEfAtrInfo = 0x2F01;

struct TChipApduLimits {
  std::size_t MaxCommandData = 0;  // the command APDU less its header, Lc and Le (9 bytes when extended)
  std::size_t MaxAnswerData = 0;   // the response APDU less its status word
};

// The limits of DO'7F66' among the data objects of the file's content;
// nothing when it is absent or malformed.
std::optional<TChipApduLimits> ExtendedLengthInfo(std::span<const std::uint8_t> content);
