#include "reader/CardCapabilities.h"

#include <array>

namespace {

constexpr std::uint8_t kCategoryCompactTlv = 0x80;            // compact-TLV objects, a status indicator among them
constexpr std::uint8_t kCategoryCompactTlvWithStatus = 0x00;  // compact-TLV objects, then three status bytes
constexpr std::size_t kStatusBytes = 3;
constexpr std::uint8_t kCardCapabilitiesTag = 0x7;
constexpr std::uint8_t kExtendedLcLe = 0x40;  // third software function byte, b7

TAtrLengthFields FromCompactTlv(std::span<const std::uint8_t> objects) {
  for (std::size_t at = 0; at < objects.size();) {
    const std::uint8_t tag = objects[at] >> 4;
    const std::size_t length = objects[at] & 0x0F;
    if (at + 1 + length > objects.size()) return TAtrLengthFields::Unknown;
    if (tag == kCardCapabilitiesTag) {
      if (length < 3) return TAtrLengthFields::Unknown;
      return (objects[at + 3] & kExtendedLcLe) != 0 ? TAtrLengthFields::Extended : TAtrLengthFields::Short;
    }
    at += 1 + length;
  }
  return TAtrLengthFields::Unknown;
}

}  // namespace

std::optional<std::span<const std::uint8_t>> HistoricalBytes(std::span<const std::uint8_t> atr) {
  if (atr.size() < 2) return std::nullopt;
  const std::size_t count = atr[1] & 0x0F;
  std::size_t at = 1;  // the byte whose high nibble announces the interface bytes that follow
  for (;;) {
    const std::uint8_t indicator = atr[at];
    std::size_t next = at + 1;
    for (const std::uint8_t bit : std::array<std::uint8_t, 3>{0x10, 0x20, 0x40})  // TAi, TBi, TCi
      if ((indicator & bit) != 0) ++next;
    if ((indicator & 0x80) == 0) {
      at = next;
      break;
    }
    if (next >= atr.size()) return std::nullopt;  // TDi announced but missing
    at = next;
  }
  if (at + count > atr.size()) return std::nullopt;
  return atr.subspan(at, count);
}

TAtrLengthFields LengthFieldsOfHistoricalBytes(std::span<const std::uint8_t> historical) {
  if (historical.empty()) return TAtrLengthFields::Unknown;
  if (historical[0] == kCategoryCompactTlv) return FromCompactTlv(historical.subspan(1));
  if (historical[0] == kCategoryCompactTlvWithStatus && historical.size() >= 1 + kStatusBytes)
    return FromCompactTlv(historical.subspan(1, historical.size() - 1 - kStatusBytes));
  return TAtrLengthFields::Unknown;
}

TAtrLengthFields LengthFieldsOfAtr(std::span<const std::uint8_t> atr) {
  const std::optional<std::span<const std::uint8_t>> historical = HistoricalBytes(atr);
  return historical ? LengthFieldsOfHistoricalBytes(*historical) : TAtrLengthFields::Unknown;
}
