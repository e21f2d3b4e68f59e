#pragma once
// A bitmap that loads itself from a JPEG 2000 stream (a JP2 file or a raw
// codestream), decoded by OpenJPEG into 8-bit-per-channel pixels held in a
// QImage: 8-bit indexed grey, 24-bit blue-green-red, or 32-bit
// blue-green-red-alpha with straight alpha.

#include <stdexcept>

#include <QImage>

class QIODevice;

class EJpeg2000Error : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

class TJpeg2000Bitmap {
public:
  // Decodes from the stream's current position to its end. On success the
  // bitmap holds the picture and the stream stands right after the bytes the
  // decoder consumed. Raises EJpeg2000Error "Unknown JPEG 2000 file type" or
  // "JPEG 2000 image decoding failed"; the bitmap is unchanged until an image
  // has been decoded.
  void LoadFromStream(QIODevice& stream);

  // The picture; a null image until the first successful load.
  const QImage& Image() const { return image_; }

private:
  QImage image_;
};
