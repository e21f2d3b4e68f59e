#include "jpeg2000/BitmapBuilder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>

#include "jpeg2000/ChannelConversion.h"

// Format_ARGB32 holds 0xAARRGGBB words: blue, green, red, alpha bytes only on
// a little-endian machine.
static_assert(std::endian::native == std::endian::little);

namespace {

struct TPixelLayout {
  std::uint32_t Components;
  QImage::Format Format;
  int Channels;
};

constexpr std::array kLayouts{
    TPixelLayout{3, QImage::Format_BGR888, 3},
    TPixelLayout{4, QImage::Format_ARGB32, 4},
};
constexpr TPixelLayout kGreyLayout{1, QImage::Format_Indexed8, 1};

TPixelLayout LayoutFor(std::uint32_t numcomps) {
  const auto found = std::find_if(kLayouts.begin(), kLayouts.end(),
                                  [numcomps](const TPixelLayout& layout) { return layout.Components == numcomps; });
  return found == kLayouts.end() ? kGreyLayout : *found;
}

const QList<QRgb>& GreyPalette() {
  static const QList<QRgb> palette = [] {
    QList<QRgb> entries(256);
    for (int level = 0; level < 256; ++level) entries[level] = qRgb(level, level, level);
    return entries;
  }();
  return palette;
}

TPixelArea PixelArea(QImage& bitmap) {
  return {std::span<std::uint8_t>(bitmap.bits(), static_cast<std::size_t>(bitmap.sizeInBytes())), bitmap.width(),
          bitmap.height(), static_cast<std::size_t>(bitmap.bytesPerLine())};
}

}  // namespace

QImage BuildBitmap(const opj_image_t& image, std::span<const OPJ_COMPONENT_TYPE> componentTypes) {
  const TPixelLayout layout = LayoutFor(image.numcomps);
  QImage bitmap(static_cast<int>(image.x1 - image.x0), static_cast<int>(image.y1 - image.y0), layout.Format);
  if (bitmap.isNull()) return bitmap;
  bitmap.fill(0);
  if (layout.Format == QImage::Format_Indexed8) bitmap.setColorTable(GreyPalette());

  const TPixelArea pixels = PixelArea(bitmap);
  const std::vector<TChannelInfo> channels = DescribeChannels(image, componentTypes, layout.Channels);
  for (const TChannelInfo& channel : channels) {
    WriteChannel(channel, image.comps[channel.Component], pixels, layout.Channels);
  }
  if (image.color_space == OPJ_CLRSPC_SYCC && layout.Channels >= 3) ConvertSyccToRgb(pixels, layout.Channels);
  return bitmap;
}
