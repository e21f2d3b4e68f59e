// Decoding every fixture and comparing the bitmap with the pixels the
// conversion rules give for the fixture's source samples.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include <QBuffer>

#include "FixtureFiles.h"
#include "ReferenceRules.h"
#include "jpeg2000/Jpeg2000Bitmap.h"

namespace {

constexpr int kDropped = -1;

struct TFixtureCase {
  std::string File;
  QImage::Format Format;
  // The byte of a pixel each component lands in, by the placement rules.
  std::vector<int> ByteOfComponent;
  bool Sycc = false;
};

std::ostream& operator<<(std::ostream& out, const TFixtureCase& c) { return out << c.File; }

const QImage::Format kGrey = QImage::Format_Indexed8;
const QImage::Format kBgr = QImage::Format_BGR888;
const QImage::Format kBgra = QImage::Format_ARGB32;

const TFixtureCase kCases[] = {
    // One component: grey, whatever the precision and signedness.
    {"grey-5x4.jp2", kGrey, {0}},
    {"grey-offset-5x3.jp2", kGrey, {0}},
    {"grey12-4x3.jp2", kGrey, {0}},
    {"grey16-4x3.jp2", kGrey, {0}},
    {"signed8-4x4.jp2", kGrey, {0}},
    {"signed12-4x3.jp2", kGrey, {0}},
    {"bilevel-4x2.jp2", kGrey, {0}},
    // Grey plus alpha: the grey layout shows component 0 only.
    {"grey-alpha-cdef-4x4.jp2", kGrey, {0, kDropped}},
    // Without channel definitions components are taken in reverse: 0 red, 1 green, 2 blue.
    {"rgb-6x5.jp2", kBgr, {2, 1, 0}},
    {"rgb-6x5.j2k", kBgr, {2, 1, 0}},
    // The codestream holds blue, green, red, and the channel definitions say so.
    {"bgr-cdef-6x5.jp2", kBgr, {0, 1, 2}},
    // An opacity channel has no room in a 3-byte pixel; an entry for channel 9 is ignored.
    {"rg-opacity-cdef-4x3.jp2", kBgr, {2, 1, kDropped}},
    {"rgba-cdef-5x3.jp2", kBgra, {2, 1, 0, 3}},
    {"argb-cdef-5x3.jp2", kBgra, {3, 2, 1, 0}},
    // Four components without definitions: alpha, red, green, blue.
    {"four-nodef-4x3.jp2", kBgra, {3, 2, 1, 0}},
    // Sub-sampled components at odd sizes: blocks cut at the edges; the
    // vertically subsampled channels leave the full-resolution one alone.
    {"odd-subsampling-7x5.jp2", kBgr, {2, 1, 0}},
    // sYCC from the "colr" box, with or without channel
    // definitions: Y, Cb, Cr placed for the conversion, then converted.
    {"sycc420-7x5.jp2", kBgr, {2, 1, 0}, true},
    {"sycc420-cdef-7x5.jp2", kBgr, {2, 1, 0}, true},
    // The same codestream alone carries no colour space: no conversion.
    {"sycc420-7x5.j2k", kBgr, {2, 1, 0}},
};

int PixelSize(QImage::Format format) {
  switch (format) {
    case QImage::Format_BGR888:
      return 3;
    case QImage::Format_ARGB32:
      return 4;
    default:
      return 1;
  }
}

// The bitmap's pixel bytes without row padding.
std::vector<std::uint8_t> PixelBytes(const QImage& image) {
  const std::size_t rowBytes = std::size_t(image.width()) * PixelSize(image.format());
  std::vector<std::uint8_t> bytes;
  for (int y = 0; y < image.height(); ++y) {
    const uchar* row = image.constScanLine(y);
    bytes.insert(bytes.end(), row, row + rowBytes);
  }
  return bytes;
}

// What Qt reads from a pixel of the given bytes: grey, blue-green-red, or
// blue-green-red-alpha with straight alpha.
QRgb ColourOf(const std::uint8_t* pixel, int pixelSize) {
  switch (pixelSize) {
    case 3:
      return qRgb(pixel[2], pixel[1], pixel[0]);
    case 4:
      return qRgba(pixel[2], pixel[1], pixel[0], pixel[3]);
    default:
      return qRgb(pixel[0], pixel[0], pixel[0]);
  }
}

QImage Load(const QByteArray& bytes) {
  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  TJpeg2000Bitmap bitmap;
  bitmap.LoadFromStream(buffer);
  EXPECT_EQ(buffer.pos(), bytes.size());
  return bitmap.Image();
}

class Jpeg2000FixtureTest : public testing::TestWithParam<TFixtureCase> {};

TEST_P(Jpeg2000FixtureTest, GivesThePixelsOfTheRules) {
  const TFixtureCase& c = GetParam();
  const TPlanes planes = ReadPlanes(c.File);
  ASSERT_EQ(planes.Components.size(), c.ByteOfComponent.size());

  const QImage image = Load(ReadFixture(c.File));

  ASSERT_EQ(image.format(), c.Format);
  ASSERT_EQ(image.width(), int(planes.X1 - planes.X0));
  ASSERT_EQ(image.height(), int(planes.Y1 - planes.Y0));
  const int pixelSize = PixelSize(c.Format);
  const std::vector<std::uint8_t> expected = ReferencePixels(planes, c.ByteOfComponent, pixelSize, c.Sycc);
  EXPECT_EQ(PixelBytes(image), expected);

  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const std::uint8_t* pixel = expected.data() + (std::size_t(y) * image.width() + x) * pixelSize;
      ASSERT_EQ(image.pixel(x, y), ColourOf(pixel, pixelSize)) << "at " << x << "," << y;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, Jpeg2000FixtureTest, testing::ValuesIn(kCases));

TEST(Jpeg2000FixtureTest, GreyBitmapsCarryTheGreyPalette) {
  const QImage image = Load(ReadFixture("grey-5x4.jp2"));
  const QList<QRgb> palette = image.colorTable();
  ASSERT_EQ(palette.size(), 256);
  for (int level = 0; level < 256; ++level) EXPECT_EQ(palette[level], qRgb(level, level, level)) << level;
}

TEST(Jpeg2000FixtureTest, ScalesTheExtremesOfEachPrecision) {
  // The fixtures put the lowest and the highest sample in pixels (0,0) and (1,0).
  const struct {
    const char* File;
    int Lowest, Highest;
  } cases[] = {
      {"grey12-4x3.jp2", 0, 255},   {"grey16-4x3.jp2", 0, 255},  {"signed8-4x4.jp2", 0, 255},
      {"signed12-4x3.jp2", 0, 255}, {"bilevel-4x2.jp2", 0, 255},
  };
  for (const auto& c : cases) {
    const QImage image = Load(ReadFixture(c.File));
    EXPECT_EQ(image.pixelIndex(0, 0), c.Lowest) << c.File;
    EXPECT_EQ(image.pixelIndex(1, 0), c.Highest) << c.File;
  }
}

TEST(Jpeg2000FixtureTest, SyccPixelsAreConvertedOnlyWithTheColourSpace) {
  const QImage converted = Load(ReadFixture("sycc420-7x5.jp2"));
  const QImage raw = Load(ReadFixture("sycc420-7x5.j2k"));
  // Pixel (0,0) holds Y 0 under Cb 128, Cr 128: black. Pixel (1,0) holds
  // Y 255 under Cb 128, Cr 128: white.
  EXPECT_EQ(converted.pixel(0, 0), qRgb(0, 0, 0));
  EXPECT_EQ(converted.pixel(1, 0), qRgb(255, 255, 255));
  // Pixel (2,0): Y 79, Cb 0, Cr 0. Red 79 - 179.456 and blue 79 - 226.816
  // clamp at 0; green 79 + 44.050 + 91.410 = 214.460.
  EXPECT_EQ(converted.pixel(2, 0), qRgb(0, 214, 0));
  // Pixel (0,2): Y 127, Cb 255, Cr 255. Red 127 + 178.054 and blue
  // 127 + 225.044 clamp at 255 rather than wrapping; green 127 - 43.706 - 90.696.
  EXPECT_EQ(converted.pixel(0, 2), qRgb(255, 0, 255));
  // Without the colour space the bytes stay Y, Cb, Cr in red, green, blue.
  EXPECT_EQ(raw.pixel(0, 2), qRgb(127, 255, 255));
}

}  // namespace
