#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "FaceBytes.h"
#include "Fixtures.h"
#include "document/face/FaceImage.h"

namespace {

TBytes NotFacial(TBytes record) {
  record[0] = 'X';
  return record;
}

QImage Rgb(const QImage& image) { return image.convertToFormat(QImage::Format_RGB32); }

TEST(ExtractFaceImage, DecodesJpeg2000FacesInEveryLayout) {
  const TBytes jp2 = Fixture("face.jp2");
  const TBytes j2k = Fixture("face.j2k");
  const TBytes small = Fixture("small.j2k");
  ASSERT_FALSE(jp2.empty());
  ASSERT_FALSE(small.empty());
  const QImage face = FixturePicture("face.ppm");
  const QImage ramp = FixturePicture("small.pgm");
  ASSERT_FALSE(face.isNull());

  const TBytes with81 = DG2(FacialRecord(small), TLengthForm::Shortest);
  const TBytes blockWith81{0x5F, 0x2E, 0x81};
  ASSERT_NE(std::search(with81.begin(), with81.end(), blockWith81.begin(), blockWith81.end()), with81.end());
  struct TCase {
    const char* Name;
    TBytes Stream;
    QImage Expected;
  };
  const std::vector<TCase> cases{
      {"fixed layout, JP2 file", DG2(FacialRecord(jp2)), face},
      {"fixed layout, codestream, stale bytes behind", Concat({DG2(FacialRecord(j2k)), TBytes(300, 0xEE)}), face},
      {"feature points", DG2(FacialRecord(jp2, kImageDataJpeg2000, 4)), face},
      {"81 length", with81, ramp},
      {"another record form at the fixed offsets", DG2(NotFacial(FacialRecord(jp2))), face},
      {"record understating its length", DG2(Understating(FacialRecord(jp2), jp2.size() / 2)), face},
  };
  for (const TCase& c : cases) {
    TMemoryStream stream = StreamOf(c.Stream);
    TJpeg2000Bitmap bitmap;
    const TExtractedFace extracted = ExtractFaceImage(stream, bitmap);
    EXPECT_EQ(extracted.Format, TFaceFormat::Jpeg2000) << c.Name;
    EXPECT_EQ(Rgb(bitmap.Image()), c.Expected) << c.Name;
  }
}

TEST(ExtractFaceImage, JpegFacesAreReadByQt) {
  const QImage face = FixturePicture("face.ppm");
  const TBytes jpeg = JpegOf(face);
  const QImage expected = QImage::fromData(jpeg.data(), static_cast<int>(jpeg.size()), "JPEG");
  ASSERT_EQ(expected.size(), face.size());
  const std::vector<std::pair<const char*, TBytes>> cases{
      {"JPEG data type", DG2(FacialRecord(jpeg, kImageDataJpeg))},
      {"JPEG data under the JPEG 2000 type", DG2(FacialRecord(jpeg, kImageDataJpeg2000))},
      {"stale bytes behind", Concat({DG2(FacialRecord(jpeg, kImageDataJpeg)), TBytes(100, 0x00)})},
  };
  for (const auto& [name, bytes] : cases) {
    TMemoryStream stream = StreamOf(bytes);
    TJpeg2000Bitmap bitmap;
    const TExtractedFace extracted = ExtractFaceImage(stream, bitmap);
    EXPECT_EQ(extracted.Format, TFaceFormat::Jpeg) << name;
    EXPECT_EQ(extracted.Picture, expected) << name;
    EXPECT_TRUE(bitmap.Image().isNull()) << name;
    // Lossy, but close to the pattern.
    EXPECT_NEAR(qRed(extracted.Picture.pixel(8, 6)), qRed(face.pixel(8, 6)), 24) << name;
  }
}

TEST(ExtractFaceImage, UndecodableDataEndsInTheBitmapsError) {
  TBytes brokenJpeg{0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0x00};
  brokenJpeg.resize(80, 0x11);
  TBytes brokenJp2 = Fixture("face.jp2");
  const TBytes codestreamStart{0xFF, 0x4F, 0xFF, 0x51};  // SOC and SIZ markers
  const auto codestream =
      std::search(brokenJp2.begin(), brokenJp2.end(), codestreamStart.begin(), codestreamStart.end());
  ASSERT_NE(codestream, brokenJp2.end());
  std::fill(codestream + 4, codestream + 40, 0xFF);  // the image and tile sizes
  struct TCase {
    const char* Name;
    TBytes Stream;
    std::string Message;
  };
  const std::vector<TCase> cases{
      {"JPEG that Qt cannot read", DG2(FacialRecord(brokenJpeg, kImageDataJpeg)), "Unknown JPEG 2000 file type"},
      {"two image bytes", DG2(FacialRecord({0x00, 0x00})), "Unknown JPEG 2000 file type"},
      {"fewer than 57 bytes after 5F2E", Concat({{0x75, 0x36, 0x5F, 0x2E}, TBytes(52, 0x00)}),
       "Unknown JPEG 2000 file type"},
      {"neither JPEG nor JPEG 2000", DG2(FacialRecord(Ascii("GIF89a plus some more bytes"))),
       "Unknown JPEG 2000 file type"},
      {"a JPEG 2000 the decoder rejects", DG2(FacialRecord(brokenJp2)), "JPEG 2000 image decoding failed"},
  };
  for (const TCase& c : cases) {
    TMemoryStream stream = StreamOf(c.Stream);
    TJpeg2000Bitmap bitmap;
    try {
      ExtractFaceImage(stream, bitmap);
      ADD_FAILURE() << c.Name << ": no error";
    } catch (const EJpeg2000Error& error) {
      EXPECT_EQ(std::string(error.what()), c.Message) << c.Name;
    }
    EXPECT_TRUE(bitmap.Image().isNull()) << c.Name;
  }
}

TEST(ExtractFaceImage, NoFaceLeavesTheBitmapAlone) {
  TMemoryStream first = StreamOf(DG2(FacialRecord(Fixture("face.jp2"))));
  TJpeg2000Bitmap bitmap;
  ExtractFaceImage(first, bitmap);
  const QImage earlier = bitmap.Image();
  ASSERT_FALSE(earlier.isNull());

  TBytes notDG2 = DG2(FacialRecord(Fixture("small.j2k")));
  notDG2[0] = 0x76;
  const std::vector<std::pair<const char*, TBytes>> cases{
      {"no DG2 tag", notDG2},
      {"DG11 left in the stream", {0x6B, 0x04, 0x5C, 0x02, 0x5F, 0x2E}},
      {"no biometric data block", Tlv({0x75}, Tlv({0x7F, 0x61}, {0x02, 0x01, 0x00}))},
  };
  for (const auto& [name, bytes] : cases) {
    TMemoryStream stream = StreamOf(bytes);
    EXPECT_EQ(ExtractFaceImage(stream, bitmap).Format, TFaceFormat::None) << name;
    EXPECT_EQ(bitmap.Image(), earlier) << name;
  }

  TMemoryStream empty;
  EXPECT_THROW(ExtractFaceImage(empty, bitmap), EReadError);
}

}  // namespace
