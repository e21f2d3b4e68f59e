#include "access/FileReading.h"
#include "access/PiccView.h"
#include "lds/FaceImage.h"
#include "lds/ShownFace.h"
#include "lds/Stages.h"

namespace {

constexpr std::uint8_t kDataGroup2 = 2;

}  // namespace

void RunPictureStage(TMemoryStream& stream, TSecureChannel& channel, bool pictureWanted, TJpeg2000Bitmap& bitmap,
                     TShownFace& shown) {
  if (!pictureWanted) return;
  // DG2 cut off part way is not decoded: the face shown last comes back, as for a missing DG2.
  if (ReadDataGroup(kDataGroup2, stream, channel) == TDataGroupRead::CutOff)
    return PiccView().ShowPicture(shown.Choose(TExtractedFace{}, bitmap));
  const TExtractedFace face = ExtractFaceImage(stream, bitmap);
  PiccView().ShowPicture(shown.Choose(face, bitmap));
}
