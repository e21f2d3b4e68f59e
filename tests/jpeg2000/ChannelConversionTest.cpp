// DescribeChannels, WriteChannel and ConvertSyccToRgb on hand-built image
// records: placement, precision, signedness, subsampling and sYCC.

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "SyntheticImage.h"
#include "jpeg2000/ChannelConversion.h"

namespace {

using enum OPJ_COMPONENT_TYPE;
using Bytes = std::vector<std::uint8_t>;

// ---------------------------------------------------------------- placement

struct TPlacementCase {
  std::string Name;
  std::uint32_t Components;
  int Channels;
  OPJ_COLOR_SPACE ColorSpace;
  std::vector<OPJ_COMPONENT_TYPE> Types;
  std::vector<std::int32_t> Offsets;
};

std::ostream& operator<<(std::ostream& out, const TPlacementCase& c) { return out << c.Name; }

const TPlacementCase kPlacements[] = {
    {"ThreeUnknownInReverse", 3, 3, OPJ_CLRSPC_UNKNOWN, {}, {2, 1, 0}},
    {"FourUnknownInReverse", 4, 4, OPJ_CLRSPC_SRGB, {}, {3, 2, 1, 0}},
    {"RedGreenBlue", 3, 3, OPJ_CLRSPC_SRGB, {COMPTYPE_R, COMPTYPE_G, COMPTYPE_B}, {2, 1, 0}},
    {"BlueGreenRed", 3, 3, OPJ_CLRSPC_SRGB, {COMPTYPE_B, COMPTYPE_G, COMPTYPE_R}, {0, 1, 2}},
    {"AlphaFirst", 4, 4, OPJ_CLRSPC_SRGB, {COMPTYPE_OPACITY, COMPTYPE_R, COMPTYPE_G, COMPTYPE_B}, {3, 2, 1, 0}},
    {"SyccLumaInRed", 3, 3, OPJ_CLRSPC_SYCC, {COMPTYPE_Y, COMPTYPE_CB, COMPTYPE_CR}, {2, 1, 0}},
    {"GreyLuma", 1, 1, OPJ_CLRSPC_GRAY, {COMPTYPE_Y}, {0}},
    {"LumaOutsideSyccAndGrey", 3, 3, OPJ_CLRSPC_SRGB, {COMPTYPE_Y, COMPTYPE_UNKNOWN, COMPTYPE_UNKNOWN}, {0, 1, 0}},
    {"MissingTypesAreUnknown", 3, 3, OPJ_CLRSPC_SRGB, {COMPTYPE_B}, {0, 1, 0}},
    // The grey layout describes component 0 only, at byte 0 whatever its type.
    {"GreyLayoutOfGreyAlpha", 2, 1, OPJ_CLRSPC_GRAY, {COMPTYPE_Y, COMPTYPE_OPACITY}, {0}},
    {"GreyLayoutUnknownOfTwo", 2, 1, OPJ_CLRSPC_UNKNOWN, {}, {0}},
    {"GreyLayoutUnknownOfFive", 5, 1, OPJ_CLRSPC_UNKNOWN, {}, {0}},
    {"GreyLayoutSyccLuma", 2, 1, OPJ_CLRSPC_SYCC, {COMPTYPE_Y}, {0}},
    {"OpacityInThreeBytes", 3, 3, OPJ_CLRSPC_SRGB, {COMPTYPE_R, COMPTYPE_G, COMPTYPE_OPACITY}, {2, 1, 3}},
};

class PlacementTest : public testing::TestWithParam<TPlacementCase> {};

TEST_P(PlacementTest, FollowsTheComponentTypes) {
  const TPlacementCase& c = GetParam();
  TSyntheticImage image(1, 1, std::vector<TComponentDescription>(c.Components, TComponentDescription{.Samples = {0}}),
                        c.ColorSpace);

  const std::vector<TChannelInfo> channels = DescribeChannels(image.Image(), c.Types, c.Channels);

  std::vector<std::int32_t> offsets;
  for (std::size_t i = 0; i < channels.size(); ++i) {
    offsets.push_back(channels[i].DestOffset);
    EXPECT_EQ(channels[i].CompType, i < c.Types.size() ? c.Types[i] : COMPTYPE_UNKNOWN);
  }
  EXPECT_EQ(offsets, c.Offsets);
}

INSTANTIATE_TEST_SUITE_P(Types, PlacementTest, testing::ValuesIn(kPlacements),
                         [](const auto& info) { return info.param.Name; });

TEST(DescribeChannelsTest, AnImageWithoutComponentsHasNoChannels) {
  TSyntheticImage image(4, 4, {});
  EXPECT_TRUE(DescribeChannels(image.Image(), {}, 3).empty());
}

// ---------------------------------------------------------------- ranges

TEST(DescribeChannelsTest, RangeAndShiftFollowThePrecision) {
  const struct {
    std::uint32_t Prec, Sgnd;
    std::int64_t MaxValue, Shift;
  } cases[] = {
      {1, 0, 1, 0},
      {8, 0, 255, 0},
      {8, 1, 255, 128},
      {12, 0, 4095, 0},
      {16, 1, 65535, 32768},
      {24, 1, 16777215, 8388608},
      {32, 1, 4294967295, 2147483648},
      // Precisions the conversion cannot scale describe an empty range.
      {0, 0, 0, 0},
      {33, 1, 0, 0},
  };
  for (const auto& c : cases) {
    TSyntheticImage image(1, 1, {{.Prec = c.Prec, .Sgnd = c.Sgnd, .Samples = {0}}});
    const TChannelInfo channel = DescribeChannels(image.Image(), {}, 1).at(0);
    EXPECT_EQ(channel.MaxValue, c.MaxValue) << c.Prec;
    EXPECT_EQ(channel.Shift, c.Shift) << c.Prec << " " << c.Sgnd;
  }
}

// ---------------------------------------------------------------- samples

struct TSampleCase {
  std::uint32_t Prec, Sgnd;
  OPJ_INT32 Sample;
  std::uint8_t Byte;
};

std::ostream& operator<<(std::ostream& out, const TSampleCase& c) {
  return out << "prec " << c.Prec << (c.Sgnd ? " signed " : " unsigned ") << c.Sample;
}

const TSampleCase kSamples[] = {
    // 8 bits: the low 8 bits, after the signed shift.
    {8, 0, 0, 0},
    {8, 0, 200, 200},
    {8, 0, 255, 255},
    {8, 0, 300, 44},
    {8, 1, -128, 0},
    {8, 1, -1, 127},
    {8, 1, 0, 128},
    {8, 1, 127, 255},
    // Other precisions: (v + shift) * 255 / (2^prec - 1), truncated.
    {12, 0, 4095, 255},
    {12, 0, 2048, 127},
    {12, 0, 17, 1},
    {12, 0, 16, 0},
    {12, 1, -2048, 0},
    {12, 1, 0, 127},
    {12, 1, 2047, 255},
    {16, 0, 65535, 255},
    {16, 0, 32768, 127},
    {16, 0, 257, 1},
    {1, 0, 0, 0},
    {1, 0, 1, 255},
    {24, 0, 16777215, 255},
    {24, 1, -8388608, 0},
    {31, 0, INT_MAX, 255},
    {32, 1, INT_MIN, 0},
    {32, 1, INT_MAX, 255},
    {32, 1, 0, 127},
    // Out of range: -5 * 255 / 1023 truncates toward zero to -1, whose low 8 bits are 255.
    {10, 0, -5, 255},
};

class SampleTest : public testing::TestWithParam<TSampleCase> {};

TEST_P(SampleTest, BecomesTheByteOfTheRule) {
  const TSampleCase& c = GetParam();
  TSyntheticImage image(1, 1, {{.Prec = c.Prec, .Sgnd = c.Sgnd, .Samples = {c.Sample}}});
  TPixelBuffer pixels(1, 1, 1);

  WriteChannel(DescribeChannels(image.Image(), {}, 1).at(0), image.Component(0), pixels.Area(), 1);

  EXPECT_EQ(pixels.At(0, 0, 0), c.Byte);
}

INSTANTIATE_TEST_SUITE_P(Precisions, SampleTest, testing::ValuesIn(kSamples));

// ---------------------------------------------------------------- layout

TChannelInfo Channel(std::int32_t offset) { return {offset, COMPTYPE_UNKNOWN, 255, 0}; }

TEST(WriteChannelTest, FullResolutionFillsItsOffsetOnly) {
  TSyntheticImage image(3, 2, {{.W = 3, .H = 2, .Samples = {1, 2, 3, 4, 5, 6}}});
  TPixelBuffer pixels(3, 2, 3);

  WriteChannel(Channel(1), image.Component(0), pixels.Area(), 3);

  const std::uint8_t s = TPixelBuffer::kSentinel;
  EXPECT_EQ(pixels.Channel(1), (Bytes{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(pixels.Channel(0), Bytes(6, s));
  EXPECT_EQ(pixels.Channel(2), Bytes(6, s));
  EXPECT_TRUE(pixels.PaddingUntouched());
}

struct TSubsamplingCase {
  std::string Name;
  int Width, Height;
  TComponentDescription Component;
  Bytes Expected;  // the channel, row by row
};

std::ostream& operator<<(std::ostream& out, const TSubsamplingCase& c) { return out << c.Name; }

const TSubsamplingCase kSubsamplings[] = {
    {"TwoByTwoCutAtOddEdges",
     5,
     3,
     {.W = 3, .H = 2, .Dx = 2, .Dy = 2, .Samples = {1, 2, 3, 4, 5, 6}},
     {1, 1, 2, 2, 3, 1, 1, 2, 2, 3, 4, 4, 5, 5, 6}},
    {"ThreeAcross", 7, 1, {.W = 3, .H = 1, .Dx = 3, .Dy = 1, .Samples = {7, 8, 9}}, {7, 7, 7, 8, 8, 8, 9}},
    {"ThreeDown", 2, 4, {.W = 2, .H = 2, .Dx = 1, .Dy = 3, .Samples = {1, 2, 3, 4}}, {1, 2, 1, 2, 1, 2, 3, 4}},
    // Larger than the image: one sample fills everything.
    {"HugeFactors", 3, 2, {.W = 1, .H = 1, .Dx = 0x80000000u, .Dy = 0xFFFFFFFFu, .Samples = {9}}, {9, 9, 9, 9, 9, 9}},
};

class SubsamplingTest : public testing::TestWithParam<TSubsamplingCase> {};

TEST_P(SubsamplingTest, FillsBlocksCutAtTheEdges) {
  const TSubsamplingCase& c = GetParam();
  TSyntheticImage image(c.Width, c.Height, {c.Component});
  TPixelBuffer pixels(c.Width, c.Height, 1);

  WriteChannel(Channel(0), image.Component(0), pixels.Area(), 1);

  EXPECT_EQ(pixels.Channel(0), c.Expected);
  EXPECT_TRUE(pixels.PaddingUntouched());
}

INSTANTIATE_TEST_SUITE_P(Factors, SubsamplingTest, testing::ValuesIn(kSubsamplings),
                         [](const auto& info) { return info.param.Name; });

TEST(WriteChannelTest, RepeatedRowsKeepTheOtherChannels) {
  // Red at full resolution first, then green subsampled vertically.
  TSyntheticImage image(
      2, 2, {{.W = 2, .H = 2, .Samples = {10, 20, 30, 40}}, {.W = 2, .H = 1, .Dx = 1, .Dy = 2, .Samples = {7, 8}}});
  TPixelBuffer pixels(2, 2, 3);

  WriteChannel(Channel(2), image.Component(0), pixels.Area(), 3);
  WriteChannel(Channel(1), image.Component(1), pixels.Area(), 3);

  EXPECT_EQ(pixels.Channel(2), (Bytes{10, 20, 30, 40}));
  EXPECT_EQ(pixels.Channel(1), (Bytes{7, 8, 7, 8}));
  EXPECT_EQ(pixels.Channel(0), Bytes(4, TPixelBuffer::kSentinel));
}

// ---------------------------------------------------------------- nothing written

struct TNoWriteCase {
  std::string Name;
  TChannelInfo Info;
  TComponentDescription Component;
  int Channels;
};

std::ostream& operator<<(std::ostream& out, const TNoWriteCase& c) { return out << c.Name; }

const TComponentDescription kPlain{.W = 2, .H = 2, .Samples = {1, 2, 3, 4}};

const TNoWriteCase kNoWrites[] = {
    {"OffsetPastAGreyPixel", Channel(1), kPlain, 1},
    {"OpacityPastAThreeBytePixel", Channel(3), kPlain, 3},
    {"NegativeOffset", Channel(-1), kPlain, 3},
    {"NoSamples", Channel(0), {.W = 2, .H = 2, .Samples = {}}, 1},
    {"ZeroSubsampling", Channel(0), {.W = 2, .H = 2, .Dx = 0, .Samples = {1, 2, 3, 4}}, 1},
    {"ZeroPrecision", {0, COMPTYPE_UNKNOWN, 0, 0}, {.W = 2, .H = 2, .Prec = 0, .Samples = {1, 2, 3, 4}}, 1},
    {"PrecisionAbove32", Channel(0), {.W = 2, .H = 2, .Prec = 33, .Samples = {1, 2, 3, 4}}, 1},
};

class NoWriteTest : public testing::TestWithParam<TNoWriteCase> {};

TEST_P(NoWriteTest, LeavesEveryByte) {
  const TNoWriteCase& c = GetParam();
  TSyntheticImage image(2, 2, {c.Component});
  TPixelBuffer pixels(2, 2, c.Channels);
  const Bytes before = pixels.Bytes();

  WriteChannel(c.Info, image.Component(0), pixels.Area(), c.Channels);

  EXPECT_EQ(pixels.Bytes(), before);
}

INSTANTIATE_TEST_SUITE_P(Channels, NoWriteTest, testing::ValuesIn(kNoWrites),
                         [](const auto& info) { return info.param.Name; });

TEST(WriteChannelTest, AComponentSmallerThanTheImageWritesOnlyWhatItHas) {
  TSyntheticImage image(4, 2, {{.W = 2, .H = 1, .Samples = {5, 6}}});
  TPixelBuffer pixels(4, 2, 1);

  WriteChannel(Channel(0), image.Component(0), pixels.Area(), 1);

  const std::uint8_t s = TPixelBuffer::kSentinel;
  EXPECT_EQ(pixels.Channel(0), (Bytes{5, 6, s, s, s, s, s, s}));
}

TEST(WriteChannelTest, AComponentLargerThanTheImageIsCut) {
  TSyntheticImage image(2, 1, {{.W = 3, .H = 2, .Samples = {1, 2, 3, 4, 5, 6}}});
  TPixelBuffer pixels(2, 1, 1);

  WriteChannel(Channel(0), image.Component(0), pixels.Area(), 1);

  EXPECT_EQ(pixels.Channel(0), (Bytes{1, 2}));
  EXPECT_TRUE(pixels.PaddingUntouched());
}

TEST(WriteChannelTest, AnAreaTooSmallForItsSizeIsLeftAlone) {
  TSyntheticImage image(2, 2, {kPlain});
  std::vector<std::uint8_t> bytes(5, 0xEE);
  const TPixelArea shortRows{bytes, 2, 2, 1};    // rows shorter than two pixels
  const TPixelArea shortBuffer{bytes, 2, 2, 4};  // two rows of 4 need 6 bytes

  WriteChannel(Channel(0), image.Component(0), shortRows, 1);
  WriteChannel(Channel(0), image.Component(0), shortBuffer, 1);

  EXPECT_EQ(bytes, Bytes(5, 0xEE));
}

// ---------------------------------------------------------------- sYCC

struct TSyccCase {
  std::uint8_t Y, Cb, Cr;
  std::uint8_t R, G, B;
};

std::ostream& operator<<(std::ostream& out, const TSyccCase& c) {
  return out << "Y " << int(c.Y) << " Cb " << int(c.Cb) << " Cr " << int(c.Cr);
}

const TSyccCase kSyccs[] = {
    {128, 128, 128, 128, 128, 128},
    {0, 128, 128, 0, 0, 0},
    {255, 128, 128, 255, 255, 255},
    // Red 255 + 178.054 clamps at 255; green 255 - 90.696 = 164.304.
    {255, 128, 255, 255, 164, 255},
    // Red 0 - 179.456 clamps at 0; green 0 + 91.410.
    {0, 128, 0, 0, 91, 0},
    // Blue 0 + 1.772 * 125 = 221.5 rounds up to the even 222; 1 + 221.5 = 222.5 rounds down to 222.
    {0, 253, 128, 0, 0, 222},
    {1, 253, 128, 1, 0, 222},
    // Green 0 - 17.207 + 35.707 = 18.5 rounds down to 18; 100 + 17.207 - 35.707 = 81.5 up to 82.
    {0, 178, 78, 0, 18, 89},
    {100, 78, 178, 170, 82, 11},
};

class SyccTest : public testing::TestWithParam<TSyccCase> {};

TEST_P(SyccTest, ConvertsRoundsAndClampsKeepingAlpha) {
  const TSyccCase& c = GetParam();
  for (const int channels : {3, 4}) {
    TPixelBuffer pixels(2, 1, channels);
    for (int x = 0; x < 2; ++x) {
      std::uint8_t* pixel = pixels.Area().Bits.data() + x * channels;
      pixel[2] = c.Y;
      pixel[1] = c.Cb;
      pixel[0] = c.Cr;
      if (channels == 4) pixel[3] = 77;
    }

    ConvertSyccToRgb(pixels.Area(), channels);

    for (int x = 0; x < 2; ++x) {
      EXPECT_EQ(pixels.At(x, 0, 2), c.R) << channels;
      EXPECT_EQ(pixels.At(x, 0, 1), c.G) << channels;
      EXPECT_EQ(pixels.At(x, 0, 0), c.B) << channels;
      if (channels == 4) {
        EXPECT_EQ(pixels.At(x, 0, 3), 77);
      }
    }
    EXPECT_TRUE(pixels.PaddingUntouched());
  }
}

INSTANTIATE_TEST_SUITE_P(Pixels, SyccTest, testing::ValuesIn(kSyccs));

TEST(ConvertSyccToRgbTest, LeavesGreyPixelsAlone) {
  TPixelBuffer pixels(3, 2, 1);
  const Bytes before = pixels.Bytes();
  ConvertSyccToRgb(pixels.Area(), 1);
  EXPECT_EQ(pixels.Bytes(), before);
}

}  // namespace
