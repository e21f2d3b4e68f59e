#pragma once
// The logical data structure of an eMRTD: its elementary files by file
// identifier, and how data groups map to identifiers, short identifiers and tags.

#include <cstdint>
#include <map>
#include <optional>

#include "tools/simchip/Bytes.h"

namespace simchip {

inline constexpr std::uint16_t kEfComFileId = 0x011E;
inline constexpr std::uint16_t kEfSodFileId = 0x011D;
inline constexpr int kDataGroupCount = 16;

// Elementary files of the eMRTD application by file identifier.
using TLds = std::map<std::uint16_t, TBytes>;

// DG1 -> 01 01 ... DG16 -> 01 10.
std::uint16_t DataGroupFileId(int dataGroup);
// The data group of a file identifier; empty for EF.COM, EF.SOD and others.
std::optional<int> DataGroupOfFileId(std::uint16_t fileId);
// The LDS tag of a data group's outer object (DG1 0x61, DG2 0x75, DG11 0x6B ...).
std::uint8_t DataGroupTag(int dataGroup);
// The file of a short EF identifier (READ BINARY with P1 bit 8 set); empty when
// the identifier names no LDS file.
std::optional<std::uint16_t> FileIdOfShortId(std::uint8_t shortId);

}  // namespace simchip
