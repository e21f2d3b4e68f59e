#include "document/face/FaceImage.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include <QBuffer>
#include <QByteArray>

#include "document/face/FaceLocation.h"

namespace {

using TBytes = std::span<const std::uint8_t>;

constexpr std::uint8_t kDG2Tag = 0x75;
constexpr std::array<std::uint8_t, 3> kJpegSignature{0xFF, 0xD8, 0xFF};

// A JPEG face through Qt's JPEG reader; none for other or broken data.
std::optional<QImage> DecodeJpeg(TBytes data) {
  if (data.size() < kJpegSignature.size() || !std::equal(kJpegSignature.begin(), kJpegSignature.end(), data.begin())) {
    return std::nullopt;
  }
  QImage picture;
  if (!picture.loadFromData(data.data(), static_cast<int>(data.size()), "JPEG")) return std::nullopt;
  return picture;
}

// Hands the data to the bitmap through a temporary memory stream.
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
  const std::optional<TBytes> data = LocateFaceImage(stream.Bytes());
  if (!data) return {};

  if (std::optional<QImage> jpeg = DecodeJpeg(*data)) return {TFaceFormat::Jpeg, std::move(*jpeg)};
  LoadJpeg2000(*data, bitmap);
  return {TFaceFormat::Jpeg2000, {}};
}
