#include "access/FileReading.h"
#include "access/PiccView.h"
#include "lds/FaceImage.h"
#include "lds/ShownFace.h"
#include "lds/Stages.h"

namespace {

constexpr std::uint8_t kDataGroup2 = 2;

}  // namespace

void RunPictureStage(TMemoryStream& stream, tMRTD_CTX& ctx, TJpeg2000Bitmap& bitmap, TShownFace& shown) {
  if (!PiccView().PictureWanted()) return;
  ReadDataGroup(kDataGroup2, stream, ctx);
  const TExtractedFace face = ExtractFaceImage(stream, bitmap);
  PiccView().ShowPicture(shown.Choose(face, bitmap));
}
