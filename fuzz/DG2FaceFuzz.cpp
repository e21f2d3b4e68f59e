// The DG2 extraction: the face's place in DG2 and in its ISO/IEC 19794-5
// record, then ExtractFaceImage with its decoding (JPEG 2000 or JPEG).
#include <cstddef>
#include <cstdint>
#include <span>

#include "card/MemoryStream.h"
#include "document/face/FaceImage.h"
#include "document/face/FaceLocation.h"
#include "document/face/FacialRecord.h"
#include "fuzz/FuzzSupport.h"
#include "jpeg2000/Jpeg2000Bitmap.h"

namespace {

bool Within(std::span<const std::uint8_t> part, std::span<const std::uint8_t> whole) {
  return part.data() >= whole.data() && part.data() + part.size() <= whole.data() + whole.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> input(data, size);
  if (const auto face = LocateFaceImage(input); face && !Within(*face, input)) Finding("face outside DG2");
  if (const auto range = LocateFaceImageData(input); range && (range->Begin > range->End || range->End > size))
    Finding("image data outside the record");

  TMemoryStream stream;
  stream.Write(input);
  TJpeg2000Bitmap bitmap;
  bitmap.SetDecoderThreads(1);
  try {
    ExtractFaceImage(stream, bitmap);
  } catch (const std::exception& error) {
    if (!IsExpectedFailure(error)) Finding(error.what());
  }
  return 0;
}
