#include "jpeg2000/Jp2Header.h"

#include <algorithm>
#include <array>
#include <optional>

#include "jpeg2000/BoxReader.h"

namespace {

using enum OPJ_COMPONENT_TYPE;

constexpr TBoxType kHeaderBox = BoxType("jp2h");
constexpr TBoxType kCodestreamBox = BoxType("jp2c");
constexpr TBoxType kColourBox = BoxType("colr");
constexpr TBoxType kChannelBox = BoxType("cdef");

constexpr std::uint8_t kEnumeratedMethod = 1;
constexpr std::size_t kEnumeratedColourSize = 7;  // method, precedence, approximation, 32-bit space
constexpr std::size_t kChannelEntrySize = 6;      // channel, type, association

constexpr std::uint64_t kColourChannel = 0;
constexpr std::uint64_t kOpacityChannel = 1;
constexpr std::uint64_t kWholeImage = 0;
constexpr std::uint64_t kLastColourAssociation = 65534;

// The enumerated colour spaces this program knows, and the type of the
// colour channel that each association (1, 2, 3) names in them.
struct TEnumeratedSpace {
  std::uint64_t EnumCs;
  OPJ_COLOR_SPACE ColorSpace;
  std::array<OPJ_COMPONENT_TYPE, 3> ColourTypes;  // unknown past the space's channels
};

constexpr std::array kEnumeratedSpaces{
    TEnumeratedSpace{16, OPJ_CLRSPC_SRGB, {COMPTYPE_R, COMPTYPE_G, COMPTYPE_B}},
    TEnumeratedSpace{17, OPJ_CLRSPC_GRAY, {COMPTYPE_Y, COMPTYPE_UNKNOWN, COMPTYPE_UNKNOWN}},
    TEnumeratedSpace{18, OPJ_CLRSPC_SYCC, {COMPTYPE_Y, COMPTYPE_CB, COMPTYPE_CR}},
};

const TEnumeratedSpace* FindSpace(std::optional<std::uint64_t> enumCs) {
  if (!enumCs) return nullptr;
  const auto found = std::find_if(kEnumeratedSpaces.begin(), kEnumeratedSpaces.end(),
                                  [&](const TEnumeratedSpace& space) { return space.EnumCs == *enumCs; });
  return found == kEnumeratedSpaces.end() ? nullptr : &*found;
}

// The enumerated colour space of a "colr" box, if it uses that method.
std::optional<std::uint64_t> EnumeratedSpace(std::span<const std::uint8_t> colr) {
  if (colr.size() < kEnumeratedColourSize || colr[0] != kEnumeratedMethod) return std::nullopt;
  return ReadBigEndian(colr.subspan(3, 4));
}

std::optional<OPJ_COMPONENT_TYPE> EntryType(std::uint64_t type, std::uint64_t association,
                                            const TEnumeratedSpace* space) {
  if (type == kOpacityChannel && association == kWholeImage) return COMPTYPE_OPACITY;
  if (type != kColourChannel || association < 1 || association > kLastColourAssociation) return std::nullopt;
  if (space == nullptr || association > space->ColourTypes.size()) return COMPTYPE_UNKNOWN;
  return space->ColourTypes[association - 1];
}

void ApplyChannelDefinitions(std::span<const std::uint8_t> cdef, const TEnumeratedSpace* space,
                             std::vector<OPJ_COMPONENT_TYPE>& types) {
  if (cdef.size() < 2) return;
  const std::uint64_t declared = ReadBigEndian(cdef.first(2));
  const std::span<const std::uint8_t> entries = cdef.subspan(2);
  const std::uint64_t count = std::min<std::uint64_t>(declared, entries.size() / kChannelEntrySize);
  for (std::uint64_t i = 0; i < count; ++i) {
    const auto entry = entries.subspan(static_cast<std::size_t>(i * kChannelEntrySize), kChannelEntrySize);
    const std::uint64_t channel = ReadBigEndian(entry.first(2));
    const auto type = EntryType(ReadBigEndian(entry.subspan(2, 2)), ReadBigEndian(entry.subspan(4, 2)), space);
    if (type && channel < types.size()) types[static_cast<std::size_t>(channel)] = *type;
  }
}

std::optional<std::span<const std::uint8_t>> FindHeaderBox(std::span<const std::uint8_t> file) {
  TBoxReader boxes(file);
  while (const std::optional<TBox> box = boxes.Next()) {
    if (box->Type == kHeaderBox) return box->Payload;
    if (box->Type == kCodestreamBox) break;
  }
  return std::nullopt;
}

}  // namespace

TColourDescription UndescribedColour(std::uint32_t numcomps) {
  return {OPJ_CLRSPC_UNKNOWN, std::vector<OPJ_COMPONENT_TYPE>(numcomps, COMPTYPE_UNKNOWN)};
}

TColourDescription ReadJp2Colour(std::span<const std::uint8_t> file, std::uint32_t numcomps) {
  TColourDescription description = UndescribedColour(numcomps);
  const auto header = FindHeaderBox(file);
  if (!header) return description;

  std::optional<std::uint64_t> enumCs;
  bool sawColour = false;
  std::optional<std::span<const std::uint8_t>> channelDefinitions;
  bool previousWasColour = false;
  TBoxReader boxes(*header);
  while (const std::optional<TBox> box = boxes.Next()) {
    if (box->Type == kColourBox && !sawColour) {  // a JP2 reader uses the first one
      sawColour = true;
      enumCs = EnumeratedSpace(box->Payload);
    }
    if (box->Type == kChannelBox && previousWasColour && !channelDefinitions) channelDefinitions = box->Payload;
    previousWasColour = box->Type == kColourBox;
  }

  const TEnumeratedSpace* space = FindSpace(enumCs);
  if (space != nullptr) description.ColorSpace = space->ColorSpace;
  if (channelDefinitions) ApplyChannelDefinitions(*channelDefinitions, space, description.ComponentTypes);
  return description;
}
