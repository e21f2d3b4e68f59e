#include "tools/simchip/Lds.h"

#include <array>
#include <stdexcept>

namespace simchip {

namespace {

constexpr std::array<std::uint8_t, kDataGroupCount> kDataGroupTags{0x61, 0x75, 0x63, 0x76, 0x65, 0x66, 0x67, 0x68,
                                                                   0x69, 0x6A, 0x6B, 0x6C, 0x6D, 0x6E, 0x6F, 0x70};

void CheckDataGroup(int dataGroup) {
  if (dataGroup < 1 || dataGroup > kDataGroupCount) throw std::out_of_range("no such data group");
}

}  // namespace

std::uint16_t DataGroupFileId(int dataGroup) {
  CheckDataGroup(dataGroup);
  return static_cast<std::uint16_t>(0x0100 | dataGroup);
}

std::optional<int> DataGroupOfFileId(std::uint16_t fileId) {
  const int low = fileId & 0xFF;
  if ((fileId >> 8) != 0x01 || low < 1 || low > kDataGroupCount) return std::nullopt;
  return low;
}

std::uint8_t DataGroupTag(int dataGroup) {
  CheckDataGroup(dataGroup);
  return kDataGroupTags[static_cast<std::size_t>(dataGroup - 1)];
}

std::optional<std::uint16_t> FileIdOfShortId(std::uint8_t shortId) {
  // Short identifiers of the LDS are the low byte of the file identifier.
  const auto fileId = static_cast<std::uint16_t>(0x0100 | shortId);
  if (DataGroupOfFileId(fileId) || fileId == kEfComFileId || fileId == kEfSodFileId) return fileId;
  return std::nullopt;
}

}  // namespace simchip
