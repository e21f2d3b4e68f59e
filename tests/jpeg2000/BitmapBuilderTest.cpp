// BuildBitmap on hand-built image records: which component the one-byte grey
// layout shows.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <QImage>

#include "SyntheticImage.h"
#include "jpeg2000/BitmapBuilder.h"

namespace {

using enum OPJ_COMPONENT_TYPE;
using Bytes = std::vector<std::uint8_t>;

// Every pixel's byte of a one-byte bitmap, row by row.
Bytes GreyBytes(const QImage& bitmap) {
  Bytes bytes;
  for (int y = 0; y < bitmap.height(); ++y) {
    const uchar* row = bitmap.constScanLine(y);
    bytes.insert(bytes.end(), row, row + bitmap.width());
  }
  return bytes;
}

struct TGreyCase {
  std::string Name;
  OPJ_COLOR_SPACE ColorSpace;
  std::vector<OPJ_COMPONENT_TYPE> Types;
  std::vector<std::vector<OPJ_INT32>> Samples;  // per component, 2 x 2
  std::size_t Grey;                             // the component whose samples the grey byte carries
};

std::ostream& operator<<(std::ostream& out, const TGreyCase& c) { return out << c.Name; }

const std::vector<OPJ_INT32> kGrey{10, 70, 130, 190};
const std::vector<OPJ_INT32> kAlpha{255, 250, 245, 240};

const TGreyCase kGreyCases[] = {
    {"GreyAlphaWithoutChannelDefinition", OPJ_CLRSPC_UNKNOWN, {}, {kGrey, kAlpha}, 0},
    {"FiveComponents", OPJ_CLRSPC_UNKNOWN, {}, {kGrey, {1, 2, 3, 4}, {5, 6, 7, 8}, {9, 9, 9, 9}, kAlpha}, 0},
    {"GreyAlphaTyped", OPJ_CLRSPC_GRAY, {COMPTYPE_Y, COMPTYPE_OPACITY}, {kGrey, kAlpha}, 0},
    {"OpacityFirst", OPJ_CLRSPC_GRAY, {COMPTYPE_OPACITY, COMPTYPE_Y}, {kAlpha, kGrey}, 1},
    {"OpacityFirstColourOfUnknownSpace", OPJ_CLRSPC_UNKNOWN, {COMPTYPE_OPACITY, COMPTYPE_UNKNOWN}, {kAlpha, kGrey}, 1},
    {"SyccLumaOfTwo", OPJ_CLRSPC_SYCC, {COMPTYPE_Y}, {kGrey, kAlpha}, 0},
};

class GreyLayoutTest : public testing::TestWithParam<TGreyCase> {};

TEST_P(GreyLayoutTest, TheGreyByteCarriesTheGreySamples) {
  const TGreyCase& c = GetParam();
  std::vector<TComponentDescription> components;
  for (const std::vector<OPJ_INT32>& samples : c.Samples) components.push_back({.W = 2, .H = 2, .Samples = samples});
  TSyntheticImage image(2, 2, components, c.ColorSpace);

  const QImage bitmap = BuildBitmap(image.Image(), c.Types);

  ASSERT_EQ(bitmap.format(), QImage::Format_Indexed8);
  const std::vector<OPJ_INT32>& grey = c.Samples.at(c.Grey);
  EXPECT_EQ(GreyBytes(bitmap), Bytes(grey.begin(), grey.end()));
}

INSTANTIATE_TEST_SUITE_P(Components, GreyLayoutTest, testing::ValuesIn(kGreyCases),
                         [](const auto& info) { return info.param.Name; });

}  // namespace
