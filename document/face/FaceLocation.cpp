#include "document/face/FaceLocation.h"

#include <algorithm>
#include <array>
#include <cstddef>

#include "card/BerLength.h"
#include "document/face/FacialRecord.h"

namespace {

using TBytes = std::span<const std::uint8_t>;

constexpr std::uint8_t kDG2Tag = 0x75;
constexpr std::array<std::uint8_t, 2> kBiometricDataTag{0x5F, 0x2E};
// Length 82 xx xx, record header 14, facial information 20, image information 12.
constexpr std::size_t kFixedHeaderSkip = 3 + 14 + 20 + 12;

// Offset of the first byte behind the first biometric data block tag at or after offset 1.
std::optional<std::size_t> FindBiometricData(TBytes dg2) {
  if (dg2.empty()) return std::nullopt;
  const auto found = std::search(dg2.begin() + 1, dg2.end(), kBiometricDataTag.begin(), kBiometricDataTag.end());
  if (found == dg2.end()) return std::nullopt;
  return static_cast<std::size_t>(found - dg2.begin()) + kBiometricDataTag.size();
}

}  // namespace

std::optional<TBytes> LocateFaceImage(TBytes dg2) {
  if (dg2.empty() || dg2[0] != kDG2Tag) return std::nullopt;
  const std::optional<std::size_t> tagEnd = FindBiometricData(dg2);
  if (!tagEnd) return std::nullopt;

  std::optional<std::size_t> blockEnd;
  if (const auto length = ParseBerLength(dg2.subspan(*tagEnd))) {
    const std::size_t begin = *tagEnd + length->FieldSize;
    const TBytes block = dg2.subspan(begin, std::min(length->Value, dg2.size() - begin));
    // The image data runs to the end of the block, not to the end of the face's own block: a record that
    // understates its length would otherwise cut the codestream.
    if (const auto image = LocateFaceImageData(block)) return block.subspan(image->Begin);
    blockEnd = begin + block.size();
  }

  // A record of another form: the fixed layout's offset.
  const std::size_t begin = *tagEnd + kFixedHeaderSkip;
  if (begin >= dg2.size()) return dg2;
  const std::size_t end = blockEnd && *blockEnd > begin ? *blockEnd : dg2.size();
  return dg2.subspan(begin, end - begin);
}
