#include "lds/FaceImage.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include <QBuffer>
#include <QByteArray>

#include "lds/BerLength.h"
#include "lds/FacialRecord.h"

namespace {

constexpr std::uint8_t kDG2Tag = 0x75;
constexpr std::array<std::uint8_t, 2> kBiometricDataTag{0x5F, 0x2E};
// Length 82 xx xx, record header 14, facial information 20, image information 12.
constexpr std::size_t kFixedHeaderSkip = 3 + 14 + 20 + 12;
constexpr std::array<std::uint8_t, 3> kJpegSignature{0xFF, 0xD8, 0xFF};

using TBytes = std::span<const std::uint8_t>;

// Offset of the first byte behind the first biometric data block tag at or after offset 1.
std::optional<std::size_t> FindBiometricData(TBytes dg2) {
  if (dg2.size() < 1 + kBiometricDataTag.size()) return std::nullopt;
  const auto found = std::search(dg2.begin() + 1, dg2.end(), kBiometricDataTag.begin(), kBiometricDataTag.end());
  if (found == dg2.end()) return std::nullopt;
  return static_cast<std::size_t>(found - dg2.begin()) + kBiometricDataTag.size();
}

// The image data behind the tag end: through the record's own structure when it
// can be read, else by the fixed skip (where a skip that reaches the end of the
// stream hands over the whole stream, and the data runs to the end of the block
// when its length is known, else to the end of the stream).
TBytes LocateImageData(TBytes dg2, std::size_t tagEnd) {
  std::optional<TBytes> block;
  if (const auto length = ParseBerLength(dg2.subspan(tagEnd))) {
    const std::size_t begin = tagEnd + length->FieldSize;
    block = dg2.subspan(begin, std::min(length->Value, dg2.size() - begin));
    if (const auto image = LocateFaceImageData(*block)) {
      return block->subspan(image->Begin, image->End - image->Begin);
    }
  }

  const std::size_t begin = tagEnd + kFixedHeaderSkip;
  if (begin >= dg2.size()) return dg2;
  const std::size_t blockEnd = block ? static_cast<std::size_t>(block->data() + block->size() - dg2.data()) : 0;
  const std::size_t end = blockEnd > begin ? blockEnd : dg2.size();
  return dg2.subspan(begin, end - begin);
}

std::optional<QImage> DecodeJpeg(TBytes data) {
  if (data.size() < kJpegSignature.size() || !std::equal(kJpegSignature.begin(), kJpegSignature.end(), data.begin())) {
    return std::nullopt;
  }
  QImage picture;
  if (!picture.loadFromData(data.data(), static_cast<int>(data.size()), "JPEG")) return std::nullopt;
  return picture;
}

void LoadJpeg2000(TBytes data, TJpeg2000Bitmap& bitmap) {
  QByteArray bytes(reinterpret_cast<const char*>(data.data()), static_cast<qsizetype>(data.size()));
  QBuffer temporary(&bytes);
  temporary.open(QIODevice::ReadOnly);
  bitmap.LoadFromStream(temporary);
}

}  // namespace

TExtractedFace ExtractFaceImage(TMemoryStream& stream, TJpeg2000Bitmap& bitmap) {
  stream.Rewind();
  if (stream.ReadByte() != kDG2Tag) return {};

  const TBytes dg2 = stream.Bytes();
  const std::optional<std::size_t> tagEnd = FindBiometricData(dg2);
  if (!tagEnd) return {};

  const TBytes data = LocateImageData(dg2, *tagEnd);
  if (std::optional<QImage> jpeg = DecodeJpeg(data)) return {TFaceFormat::Jpeg, std::move(*jpeg)};
  LoadJpeg2000(data, bitmap);
  return {TFaceFormat::Jpeg2000, {}};
}
