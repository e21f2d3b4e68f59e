#include "jpeg2000/Jpeg2000Bitmap.h"

#include <cstdint>
#include <optional>
#include <span>

#include <QIODevice>

#include "jpeg2000/BitmapBuilder.h"
#include "jpeg2000/ImageChecks.h"
#include "jpeg2000/Jp2Header.h"
#include "jpeg2000/OpenJpegDecoder.h"
#include "jpeg2000/StreamReading.h"
#include "jpeg2000/StreamSignature.h"

namespace {

constexpr char kUnknownFileType[] = "Unknown JPEG 2000 file type";
constexpr char kDecodingFailed[] = "JPEG 2000 image decoding failed";

std::span<const std::uint8_t> Bytes(const QByteArray& bytes) {
  return {reinterpret_cast<const std::uint8_t*>(bytes.constData()), static_cast<std::size_t>(bytes.size())};
}

TColourDescription ColourOf(OPJ_CODEC_FORMAT codec, std::span<const std::uint8_t> input, std::uint32_t numcomps) {
  return codec == OPJ_CODEC_JP2 ? ReadJp2Colour(input, numcomps) : UndescribedColour(numcomps);
}

}  // namespace

void TJpeg2000Bitmap::LoadFromStream(QIODevice& stream) {
  const std::optional<OPJ_CODEC_FORMAT> codec = DetectCodec(stream);
  if (!codec) throw EJpeg2000Error(kUnknownFileType);

  const qint64 start = stream.pos();
  const QByteArray input = ReadRemaining(stream);
  TDecodeResult decoded = DecodeJpeg2000(Bytes(input), *codec, decoderThreads_);
  if (!stream.isSequential()) stream.seek(start + static_cast<qint64>(decoded.Consumed));
  if (!decoded.Image) throw EJpeg2000Error(kDecodingFailed);

  opj_image_t& image = *decoded.Image;
  const TColourDescription colour = ColourOf(*codec, Bytes(input), image.numcomps);
  image.color_space = colour.ColorSpace;
  if (!IsAcceptableDecodedImage(image)) throw EJpeg2000Error(kDecodingFailed);
  QImage bitmap = BuildBitmap(image, colour.ComponentTypes);
  if (bitmap.isNull()) throw EJpeg2000Error(kDecodingFailed);
  image_ = std::move(bitmap);
}
