#pragma once
// How one command/answer exchange uses the reader link's buffers: both are
// cleared first (the piece reads of a data group skip this), and 255 bytes
// are granted for the answer.

#include <cstdint>

inline constexpr std::uint32_t kResponseCapacity = 255;

enum class TClearBuffers { Yes, No };
