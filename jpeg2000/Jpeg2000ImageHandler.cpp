#include "jpeg2000/Jpeg2000ImageHandler.h"

#include <QIODevice>
#include <QImage>

#include "jpeg2000/Jpeg2000Bitmap.h"
#include "jpeg2000/StreamSignature.h"

bool TJpeg2000ImageHandler::CanRead(QIODevice& device) { return DetectCodec(device).has_value(); }

bool TJpeg2000ImageHandler::canRead() const {
  if (device() == nullptr) return false;
  const std::optional<OPJ_CODEC_FORMAT> codec = DetectCodec(*device());
  if (!codec) return false;
  setFormat(*codec == OPJ_CODEC_JP2 ? "jp2" : "j2k");
  return true;
}

bool TJpeg2000ImageHandler::read(QImage* image) {
  if (device() == nullptr || image == nullptr) return false;
  TJpeg2000Bitmap bitmap;
  try {
    bitmap.LoadFromStream(*device());
  } catch (const std::exception&) {
    // QImageReader reports a failed read by its return value.
    return false;
  }
  *image = bitmap.Image();
  return true;
}
