#include "card/FileReading.h"
#include "document/FaceImage.h"
#include "document/ShownFace.h"
#include "output/PiccView.h"
#include "reading/Stages.h"

namespace {

constexpr std::uint8_t kDataGroup2 = 2;

}  // namespace

TDataGroupRead RunPictureStage(TMemoryStream& stream, TCardSession& session, bool pictureWanted,
                               TJpeg2000Bitmap& bitmap, TShownFace& shown) {
  if (!pictureWanted) return TDataGroupRead::NotRead;
  // DG2 cut off part way is not decoded: the face shown last comes back, as for a missing DG2.
  const TDataGroupRead read = ReadDataGroup(kDataGroup2, stream, session);
  if (read == TDataGroupRead::CutOff) {
    PiccView().ShowPicture(shown.Choose(TExtractedFace{}, bitmap));
    return read;
  }
  const TExtractedFace face = ExtractFaceImage(stream, bitmap);
  PiccView().ShowPicture(shown.Choose(face, bitmap));
  return read;
}
