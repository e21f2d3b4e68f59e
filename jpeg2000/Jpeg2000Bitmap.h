#pragma once
// A bitmap that loads itself from a JPEG 2000 stream (a JP2 file or a raw
// codestream), decoded by OpenJPEG into 8-bit-per-channel pixels held in a
// QImage: 8-bit indexed grey, 24-bit blue-green-red, or 32-bit
// blue-green-red-alpha with straight alpha.

#include <stdexcept>

#include <QImage>

#include "jpeg2000/StreamReadError.h"

class QIODevice;

class EJpeg2000Error : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

class TJpeg2000Bitmap {
public:
  // OpenJPEG's worker threads for a decode; they give the same pixels as one.
  static constexpr int kDefaultDecoderThreads = 2;

  // Decodes from the stream's current position to its end. On success the
  // bitmap holds the picture and the stream stands right after the bytes the
  // decoder consumed. Raises EJpeg2000Error "Unknown JPEG 2000 file type" or
  // "JPEG 2000 image decoding failed"; the bitmap is unchanged until an image
  // has been decoded.
  //
  // An unknown signature leaves the stream where it stood. A stream that
  // delivers fewer bytes than it announces raises EStreamReadError "Stream
  // read error". A sequential stream is read to its end and cannot be moved
  // back to the end of the consumed bytes.
  void LoadFromStream(QIODevice& stream);

  // The picture; a null image until the first successful load.
  const QImage& Image() const { return image_; }

  int DecoderThreads() const { return decoderThreads_; }
  // 1 or less decodes on the calling thread alone.
  void SetDecoderThreads(int threads) { decoderThreads_ = threads; }

private:
  QImage image_;
  int decoderThreads_ = kDefaultDecoderThreads;
};
