#include "document/face/FacialRecord.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<std::uint8_t, 4> kFormatIdentifier{'F', 'A', 'C', 0};
constexpr std::size_t kRecordHeaderSize = 14;
constexpr std::size_t kFaceCountAt = 12;
constexpr std::size_t kFacialInformationSize = 20;
constexpr std::size_t kFeaturePointCountAt = 4;  // within the facial information block
constexpr std::size_t kFeaturePointSize = 8;
constexpr std::size_t kImageInformationSize = 12;

std::size_t BigEndian(std::span<const std::uint8_t> bytes) {
  std::size_t value = 0;
  for (const std::uint8_t byte : bytes) value = (value << 8) | byte;
  return value;
}

}  // namespace

std::optional<TImageDataRange> LocateFaceImageData(std::span<const std::uint8_t> record) {
  constexpr std::size_t kFace = kRecordHeaderSize;
  if (record.size() < kFace + kFacialInformationSize) return std::nullopt;
  if (!std::equal(kFormatIdentifier.begin(), kFormatIdentifier.end(), record.begin())) return std::nullopt;
  if (BigEndian(record.subspan(kFaceCountAt, 2)) == 0) return std::nullopt;

  const std::size_t faceBlockLength = BigEndian(record.subspan(kFace, 4));
  const std::size_t featurePoints = BigEndian(record.subspan(kFace + kFeaturePointCountAt, 2));
  const std::size_t headers = kFacialInformationSize + featurePoints * kFeaturePointSize + kImageInformationSize;
  if (kFace + headers > record.size()) return std::nullopt;

  const bool blockFits = faceBlockLength >= headers && kFace + faceBlockLength <= record.size();
  return TImageDataRange{kFace + headers, blockFits ? kFace + faceBlockLength : record.size()};
}
