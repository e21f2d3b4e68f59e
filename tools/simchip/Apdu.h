#pragma once
// The chip's side of short APDUs: commands parsed with the program's APDU
// types, answers built as data followed by the status word.

#include <cstdint>
#include <span>

#include "reader/Apdu.h"
#include "tools/simchip/Bytes.h"

namespace simchip {

// A response: data followed by SW1 SW2.
TBytes Response(std::span<const std::uint8_t> data, std::uint16_t statusWord);
TBytes StatusOnly(std::uint16_t statusWord);

}  // namespace simchip
