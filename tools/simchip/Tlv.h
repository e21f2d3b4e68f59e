#pragma once
// BER-TLV as the LDS and secure messaging use it: tags of one or two bytes,
// lengths in the short form or the long forms 0x81 and 0x82.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "tools/simchip/Bytes.h"

namespace simchip {

enum class ELengthForm { Shortest, Long82 };

// Appends the length in its shortest form (below 0x80: one byte; up to 0xFF:
// 81 LL; up to 0xFFFF: 82 LL LL), or always as 82 LL LL.
void AppendLength(TBytes& to, std::size_t length, ELengthForm form = ELengthForm::Shortest);

// The tag (one byte when below 0x100, else two), the length and the value.
TBytes MakeTlv(std::uint16_t tag, std::span<const std::uint8_t> value, ELengthForm form = ELengthForm::Shortest);

// One object of a byte string as it was found there.
struct TTlvObject {
  std::uint16_t Tag = 0;
  std::span<const std::uint8_t> Value;
  std::size_t Size = 0;  // tag, length and value together
};

// The object at the start of the bytes; empty when the bytes do not hold a
// whole object with a tag of at most two bytes and a length of at most 82 LL LL.
std::optional<TTlvObject> ReadTlv(std::span<const std::uint8_t> bytes);

}  // namespace simchip
