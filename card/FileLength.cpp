// The total length of a BER-TLV object from its first bytes (DecodeFileLength),
// and the object itself at the start of a stream.

#include "card/FileReading.h"

#include <algorithm>
#include <optional>

namespace {

// Reads byte i, or nothing when the start given is shorter.
std::optional<std::uint32_t> At(std::span<const std::uint8_t> start, std::size_t i) {
  if (i >= start.size()) return std::nullopt;
  return start[i];
}

}  // namespace

std::uint16_t DecodeFileLength(std::span<const std::uint8_t> start) {
  const auto first = At(start, 0);
  if (!first || *first == 0x00 || *first == 0xFF) return 0;
  std::size_t p = (*first & 0x1F) == 0x1F ? 2 : 1;  // one- or two-byte tag

  const auto form = At(start, p);
  if (!form) return 0;
  std::uint32_t length = 0;
  if (*form < 0x80) {
    length = *form;
    p += 1;
  } else if (*form == 0x81) {
    const auto b1 = At(start, p + 1);
    if (!b1) return 0;
    length = *b1;
    p += 2;
  } else if (*form == 0x82) {
    const auto b1 = At(start, p + 1);
    const auto b2 = At(start, p + 2);
    if (!b1 || !b2) return 0;
    length = *b1 * 256 + *b2;
    p += 3;
  } else {
    return 0;  // 0x80 (indefinite) and 0x83 and above are not supported
  }
  const std::uint32_t total = length + static_cast<std::uint32_t>(p);
  return total > 0xFFFF ? 0 : static_cast<std::uint16_t>(total);
}

std::vector<std::uint8_t> FileAtStart(const TMemoryStream& stream) {
  const std::span<const std::uint8_t> bytes = stream.Bytes();
  return {bytes.begin(), bytes.begin() + std::min<std::size_t>(DecodeFileLength(bytes), bytes.size())};
}
