#pragma once
// The conversion rules written out plainly, one pixel at a time, to compute
// the pixels a decoded fixture must give.

#include <cstdint>
#include <vector>

#include "FixtureFiles.h"

// A component sample as a byte: 8-bit samples keep their low 8 bits after the
// signed shift; other precisions scale to 0..255, truncating toward zero.
std::uint8_t ReferenceByte(std::int32_t sample, std::uint32_t prec, bool sgnd);

// Y, Cb, Cr to red, green, blue, each rounded half to even and clamped.
struct TRgb {
  std::uint8_t R, G, B;
};
TRgb ReferenceSyccToRgb(std::uint8_t y, std::uint8_t cb, std::uint8_t cr);

// The pixel bytes, row after row without padding, that the planes give when
// component i lands in byte byteOfComponent[i] of a pixel of pixelSize bytes
// (-1: the component is not shown); each pixel takes the sample whose
// subsampling block covers it. With sycc the colour bytes are then converted.
std::vector<std::uint8_t> ReferencePixels(const TPlanes& planes, const std::vector<int>& byteOfComponent, int pixelSize,
                                          bool sycc);
