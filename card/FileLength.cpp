// The total length of a BER-TLV object from its first bytes (DecodeFileLength),
// and the object itself at the start of a stream.

#include "card/FileReading.h"

#include "card/BerLength.h"

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
  const std::size_t tagLength = (*first & 0x1F) == 0x1F ? 2 : 1;  // one- or two-byte tag
  if (start.size() < tagLength) return 0;

  // 0x80 (indefinite), 0x83 and above, and cut-off length bytes give no length.
  const std::optional<TBerLength> length = ParseBerLength(start.subspan(tagLength));
  if (!length) return 0;
  const std::size_t total = tagLength + length->FieldSize + length->Value;
  return total > 0xFFFF ? 0 : static_cast<std::uint16_t>(total);
}

std::vector<std::uint8_t> FileAtStart(const TMemoryStream& stream) {
  const std::span<const std::uint8_t> bytes = stream.Bytes();
  return {bytes.begin(), bytes.begin() + std::min<std::size_t>(DecodeFileLength(bytes), bytes.size())};
}
