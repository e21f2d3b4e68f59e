#include <gtest/gtest.h>

#include <vector>

#include "document/face/ShownFace.h"

namespace {

QImage Filled(QColor colour) {
  QImage image(4, 3, QImage::Format_RGB32);
  image.fill(colour);
  return image;
}

TEST(TShownFace, LastFaceShownComesBackWhenNothingNewIsDecoded) {
  const TJpeg2000Bitmap bitmap;  // never loaded: an empty picture
  const QImage red = Filled(Qt::red);
  const QImage blue = Filled(Qt::blue);
  struct TStep {
    TExtractedFace Face;
    QImage Shown;
  };
  const std::vector<TStep> steps{
      {{TFaceFormat::None, {}}, QImage()}, {{TFaceFormat::Jpeg, red}, red},
      {{TFaceFormat::None, {}}, red},      {{TFaceFormat::Jpeg, blue}, blue},
      {{TFaceFormat::None, {}}, blue},     {{TFaceFormat::Jpeg2000, {}}, QImage()},  // the bitmap's picture
      {{TFaceFormat::None, {}}, QImage()},
  };
  TShownFace shown;
  for (std::size_t i = 0; i < steps.size(); ++i) EXPECT_EQ(shown.Choose(steps[i].Face, bitmap), steps[i].Shown) << i;
}

}  // namespace
