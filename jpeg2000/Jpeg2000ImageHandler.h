#pragma once
// Qt image reader for JPEG 2000: QImageReader reads JP2 files and raw
// codestreams through TJpeg2000Bitmap. Reading only.

#include <QImageIOHandler>

class TJpeg2000ImageHandler : public QImageIOHandler {
public:
  // True when the device starts with a JPEG 2000 signature; the device does not move.
  static bool CanRead(QIODevice& device);

  bool canRead() const override;
  bool read(QImage* image) override;
};
