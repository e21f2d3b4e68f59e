#include "ReferenceRules.h"

#include <algorithm>
#include <cmath>

std::uint8_t ReferenceByte(std::int32_t sample, std::uint32_t prec, bool sgnd) {
  const std::int64_t shift = sgnd ? (std::int64_t{1} << (prec - 1)) : 0;
  if (prec == 8) return static_cast<std::uint8_t>((sample + shift) & 0xFF);
  const std::int64_t maxValue = (std::int64_t{1} << prec) - 1;
  const std::int64_t quotient = (sample + shift) * 255 / maxValue;  // C++ truncates toward zero
  return static_cast<std::uint8_t>(quotient & 0xFF);
}

namespace {

std::uint8_t RoundClamp(double value) {
  // nearbyint rounds halves to even in the default rounding mode.
  return static_cast<std::uint8_t>(std::clamp(std::nearbyint(value), 0.0, 255.0));
}

}  // namespace

TRgb ReferenceSyccToRgb(std::uint8_t y, std::uint8_t cb, std::uint8_t cr) {
  return {RoundClamp(y + 1.402 * (cr - 128)), RoundClamp(y - 0.34414 * (cb - 128) - 0.71414 * (cr - 128)),
          RoundClamp(y + 1.772 * (cb - 128))};
}

std::vector<std::uint8_t> ReferencePixels(const TPlanes& planes, const std::vector<int>& byteOfComponent, int pixelSize,
                                          bool sycc) {
  const std::uint32_t width = planes.X1 - planes.X0;
  const std::uint32_t height = planes.Y1 - planes.Y0;
  std::vector<std::uint8_t> pixels(std::size_t{width} * height * pixelSize, 0);
  for (std::size_t i = 0; i < planes.Components.size() && i < byteOfComponent.size(); ++i) {
    if (byteOfComponent[i] < 0) continue;
    const TPlane& plane = planes.Components[i];
    for (std::uint32_t y = 0; y < height; ++y) {
      for (std::uint32_t x = 0; x < width; ++x) {
        const std::uint32_t row = y / plane.Dy, column = x / plane.Dx;
        if (row >= plane.H || column >= plane.W) continue;
        const std::int32_t sample = plane.Samples[std::size_t{row} * plane.W + column];
        pixels[(std::size_t{y} * width + x) * pixelSize + byteOfComponent[i]] =
            ReferenceByte(sample, plane.Prec, plane.Sgnd == 1);
      }
    }
  }
  if (sycc) {
    for (std::size_t p = 0; p < pixels.size(); p += pixelSize) {
      const TRgb rgb = ReferenceSyccToRgb(pixels[p + 2], pixels[p + 1], pixels[p]);
      pixels[p + 2] = rgb.R;
      pixels[p + 1] = rgb.G;
      pixels[p] = rgb.B;
    }
  }
  return pixels;
}
