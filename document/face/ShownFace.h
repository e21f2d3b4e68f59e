#pragma once
// What the picture control shows. The bitmap can only hold JPEG 2000 faces,
// so a JPEG face is kept here; when a reading brings no new face, the last
// face shown comes back, whichever kind it was.

#include <QImage>

#include <optional>

#include "document/face/FaceImage.h"
#include "jpeg2000/Jpeg2000Bitmap.h"

class TShownFace {
public:
  // The picture to show after this extraction from the bitmap.
  const QImage& Choose(const TExtractedFace& face, const TJpeg2000Bitmap& bitmap);
  // Another document is being read: no earlier face comes back, neither the
  // JPEG one kept here nor the picture the bitmap still holds.
  void Forget(const TJpeg2000Bitmap& bitmap);

private:
  QImage jpegFace_;
  qint64 bitmapPictureKey_ = 0;               // the bitmap's picture when the JPEG face was shown
  std::optional<qint64> forgottenBitmapKey_;  // the bitmap's picture when the faces were forgotten
};
