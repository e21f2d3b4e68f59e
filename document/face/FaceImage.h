#pragma once
// DG2: the face image, taken out of the first biometric data block (5F2E)
// and decoded.

#include <QImage>

#include "card/MemoryStream.h"
#include "jpeg2000/Jpeg2000Bitmap.h"

enum class TFaceFormat {
  None,      // no face found: the bitmap is untouched
  Jpeg2000,  // the bitmap holds the new face
  Jpeg,      // a JPEG face, in TExtractedFace::Picture; the bitmap is untouched
};

struct TExtractedFace {
  TFaceFormat Format = TFaceFormat::None;
  QImage Picture;  // the JPEG face
};

// Takes the face image data out of the DG2 held in the stream
// (LocateFaceImage). JPEG data is decoded by Qt's JPEG reader; anything else,
// a JPEG that Qt cannot read included, goes to the bitmap, whose
// EJpeg2000Error reaches the caller. Raises EReadError on an empty stream.
TExtractedFace ExtractFaceImage(TMemoryStream& stream, TJpeg2000Bitmap& bitmap);
