#include "lds/ShownFace.h"

const QImage& TShownFace::Choose(const TExtractedFace& face, const TJpeg2000Bitmap& bitmap) {
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
  return jpegShownLast ? jpegFace_ : bitmap.Image();
}
