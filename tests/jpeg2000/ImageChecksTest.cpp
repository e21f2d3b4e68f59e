// The checks that keep damaged image records away from the conversion.

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "SyntheticImage.h"
#include "jpeg2000/ImageChecks.h"

namespace {

struct TCheckCase {
  std::string Name;
  std::function<void(opj_image_t&)> Damage;
  bool HeaderAcceptable;
  bool DecodedAcceptable;
};

std::ostream& operator<<(std::ostream& out, const TCheckCase& c) { return out << c.Name; }

// A 5 x 3 image: a full-resolution component and a 2 x 2 subsampled one.
struct TCheckedImage {
  TSyntheticImage Synthetic{5,
                            3,
                            {{.W = 5, .H = 3, .Samples = std::vector<OPJ_INT32>(15)},
                             {.W = 3, .H = 2, .Dx = 2, .Dy = 2, .Samples = std::vector<OPJ_INT32>(6)}}};
};

const TCheckCase kCases[] = {
    {"Intact", [](opj_image_t&) {}, true, true},
    {"OffsetArea",
     [](opj_image_t& i) {
       // (3,1)-(8,4): ceil(8/2) - ceil(3/2) = 2 columns and ceil(4/2) - ceil(1/2) = 1 row of chroma.
       i.x0 = 3, i.y0 = 1, i.x1 = 8, i.y1 = 4;
       i.comps[1].w = 2, i.comps[1].h = 1;
     },
     true, true},
    {"EmptyWidth", [](opj_image_t& i) { i.x1 = 0; }, false, false},
    {"InvertedHeight", [](opj_image_t& i) { i.y0 = 4; }, false, false},
    {"WiderThanTheLimit", [](opj_image_t& i) { i.x1 = kMaxImageSide + 1; }, false, false},
    {"HigherThanTheLimit", [](opj_image_t& i) { i.y1 = kMaxImageSide + 1; }, false, false},
    {"MorePixelsThanTheLimit", [](opj_image_t& i) { i.x1 = i.y1 = 10000; }, false, false},
    {"NoComponents", [](opj_image_t& i) { i.numcomps = 0; }, false, false},
    {"NoComponentRecords", [](opj_image_t& i) { i.comps = nullptr; }, false, false},
    {"ZeroDx", [](opj_image_t& i) { i.comps[1].dx = 0; }, false, false},
    {"ZeroDy", [](opj_image_t& i) { i.comps[0].dy = 0; }, false, false},
    {"ZeroPrecision", [](opj_image_t& i) { i.comps[0].prec = 0; }, false, false},
    {"PrecisionAbove32", [](opj_image_t& i) { i.comps[1].prec = 33; }, false, false},
    {"Precision32", [](opj_image_t& i) { i.comps[1].prec = 32; }, true, true},
    {"NoSamples", [](opj_image_t& i) { i.comps[1].data = nullptr; }, true, false},
    {"RowsShorterThanTheArea", [](opj_image_t& i) { i.comps[0].w = 4; }, true, false},
    {"RowsLongerThanTheArea", [](opj_image_t& i) { i.comps[1].w = 4; }, true, false},
    {"FewerRowsThanTheArea", [](opj_image_t& i) { i.comps[1].h = 1; }, true, false},
};

class ImageChecksTest : public testing::TestWithParam<TCheckCase> {};

TEST_P(ImageChecksTest, AcceptOnlyConsistentRecords) {
  const TCheckCase& c = GetParam();
  TCheckedImage checked;
  opj_image_t& image = checked.Synthetic.Image();
  c.Damage(image);
  EXPECT_EQ(IsAcceptableHeader(image), c.HeaderAcceptable);
  EXPECT_EQ(IsAcceptableDecodedImage(image), c.DecodedAcceptable);
}

INSTANTIATE_TEST_SUITE_P(Records, ImageChecksTest, testing::ValuesIn(kCases),
                         [](const auto& info) { return info.param.Name; });

}  // namespace
