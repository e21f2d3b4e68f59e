#pragma once
// How one command/answer exchange uses the reader link's buffers: both are
// cleared first (the piece reads of a data group skip this), and 255 bytes
// are granted for the answer of a short command, 65538 for an extended one.

#include <cstdint>

inline constexpr std::uint32_t kResponseCapacity = 255;
inline constexpr std::uint32_t kExtendedResponseCapacity = 65536 + 2;

enum class TClearBuffers { Yes, No };
