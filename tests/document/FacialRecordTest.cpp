#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "FaceBytes.h"
#include "document/face/FacialRecord.h"

namespace {

TEST(LocateFaceImageData, FindsTheImageDataOfTheFirstFace) {
  const TBytes image = Ascii("IMAGEBYTES");
  struct TCase {
    const char* Name;
    TBytes Record;
    std::optional<std::pair<std::size_t, std::size_t>> Range;
  };
  TBytes longer = FacialRecord(image);
  longer[14 + 3] += 40;  // the face block claims 40 bytes the record lacks
  TBytes shortBlock = FacialRecord(image);
  shortBlock[14 + 3] = 10;  // a face block shorter than its own headers
  TBytes noFaces = FacialRecord(image);
  noFaces[13] = 0;
  TBytes notFacial = FacialRecord(image);
  notFacial[3] = '1';
  const TBytes whole = FacialRecord(image);
  TBytes manyPoints = FacialRecord(image);
  manyPoints[18] = 0xFF;
  const std::vector<TCase> cases{
      {"no feature points", FacialRecord(image), std::pair{46u, 56u}},
      {"three feature points", FacialRecord(image, kImageDataJpeg2000, 3), std::pair{70u, 80u}},
      {"JPEG data type", FacialRecord(image, kImageDataJpeg), std::pair{46u, 56u}},
      {"bytes behind the face block", Concat({FacialRecord(image), Ascii("STALE")}), std::pair{46u, 56u}},
      {"face block longer than the record", longer, std::pair{46u, 56u}},
      {"face block shorter than its headers", Concat({shortBlock, Ascii("MORE")}), std::pair{46u, 60u}},
      {"no image data", FacialRecord({}), std::pair{46u, 46u}},
      {"no faces", noFaces, std::nullopt},
      {"not a facial record", notFacial, std::nullopt},
      {"feature points beyond the record", manyPoints, std::nullopt},
      {"cut inside the facial information", TBytes(whole.begin(), whole.begin() + 30), std::nullopt},
      {"cut inside the image information", TBytes(whole.begin(), whole.begin() + 40), std::nullopt},
      {"empty", {}, std::nullopt},
  };
  for (const TCase& c : cases) {
    const std::optional<TImageDataRange> range = LocateFaceImageData(c.Record);
    ASSERT_EQ(range.has_value(), c.Range.has_value()) << c.Name;
    if (range) {
      EXPECT_EQ(std::pair(range->Begin, range->End), *c.Range) << c.Name;
    }
  }
}

TEST(LocateFaceImageData, ImageDataBytesAreTheOnesStored) {
  const TBytes image = Ascii("0123456789ABCDEF");
  const TBytes record = Concat({FacialRecord(image, kImageDataJpeg2000, 2), Ascii("XYZ")});
  const std::optional<TImageDataRange> range = LocateFaceImageData(record);
  ASSERT_TRUE(range);
  EXPECT_EQ(TBytes(record.begin() + range->Begin, record.begin() + range->End), image);
}

}  // namespace
