#include "document/face/ShownFace.h"

namespace {

const QImage kNoFace;

}  // namespace

void TShownFace::Forget(const TJpeg2000Bitmap& bitmap) {
  jpegFace_ = QImage();
  forgottenBitmapKey_ = bitmap.Image().cacheKey();
}

const QImage& TShownFace::Choose(const TExtractedFace& face, const TJpeg2000Bitmap& bitmap) {
  if (face.Format != TFaceFormat::None) forgottenBitmapKey_.reset();
  switch (face.Format) {
    case TFaceFormat::Jpeg:
      jpegFace_ = face.Picture;
      bitmapPictureKey_ = bitmap.Image().cacheKey();
      return jpegFace_;
    case TFaceFormat::Jpeg2000:
      jpegFace_ = QImage();
      return bitmap.Image();
    case TFaceFormat::None:
      break;
  }
  // A JPEG face stays the last one shown until the bitmap gets a new picture.
  const bool jpegShownLast = !jpegFace_.isNull() && bitmap.Image().cacheKey() == bitmapPictureKey_;
  if (jpegShownLast) return jpegFace_;
  // The bitmap's picture belongs to an earlier document until it decodes a new one.
  return forgottenBitmapKey_ == bitmap.Image().cacheKey() ? kNoFace : bitmap.Image();
}
