#pragma once
// Turning decoded components into the 8-bit channels of pixels: where each
// component's byte goes inside a pixel, how samples of any precision and
// signedness become bytes, how subsampled components spread over the pixels,
// and the conversion of sYCC pixels to RGB.
//
// A pixel is 1 byte (grey), 3 bytes (blue, green, red) or 4 bytes (blue,
// green, red, alpha): the channel count.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include <openjpeg.h>

#include "jpeg2000/ComponentType.h"

// One output channel, described from its source component.
struct TChannelInfo {
  // Byte offset of the channel inside a pixel. It may fall outside the pixel
  // (negative or not below the channel count); such a channel is not written.
  std::int32_t DestOffset = 0;
  OPJ_COMPONENT_TYPE CompType = OPJ_COMPONENT_TYPE::COMPTYPE_UNKNOWN;
  // 2^prec - 1, the largest sample of the component's precision.
  std::int64_t MaxValue = 0;
  // 2^(prec - 1) for signed samples, 0 for unsigned ones; added to every sample.
  // Both are 64 bits wide so that precisions up to 32 bits can be scaled.
  std::int64_t Shift = 0;
  // Index of the source component in the image.
  std::uint32_t Component = 0;
};

// Height rows of Width pixels; row r starts at byte r * BytesPerLine of Bits.
struct TPixelArea {
  std::span<std::uint8_t> Bits;
  int Width = 0;
  int Height = 0;
  std::size_t BytesPerLine = 0;
};

// The channels for pixels of channelCount bytes. componentTypes holds the type
// of each component; missing entries count as COMPTYPE_UNKNOWN.
//
// Pixels of more than one byte get the channel of each of the first
// min(channelCount, numcomps) components, in component order; the placement
// of Y depends on the image's color_space.
//
// A one-byte (grey) pixel gets a single channel at byte 0, whatever the
// component's type: component 0, unless it is the opacity; then the first Y
// component, else the first component that is not the opacity (component 0
// when all are). Grey plus alpha, or more components than a colour pixel
// holds, so shows its grey, not a black picture.
std::vector<TChannelInfo> DescribeChannels(const opj_image_t& image, std::span<const OPJ_COMPONENT_TYPE> componentTypes,
                                           int channelCount);

// Writes the channel's byte of every pixel the component covers. A component
// row is w samples long. A subsampled sample fills its dx by dy block of
// pixels, cut at the right and bottom edges; only this channel's bytes are
// touched. Nothing is written for a channel whose offset falls outside the
// pixel, for a component without samples, without subsampling factors or with
// a precision outside 1..32, or for an area too small for its own size.
void WriteChannel(const TChannelInfo& channel, const opj_image_comp_t& component, const TPixelArea& pixels,
                  int channelCount);

// Rewrites the three colour bytes of every pixel from Y (red byte), Cb (green
// byte) and Cr (blue byte) to red, green and blue; an alpha byte stays. Does
// nothing for fewer than 3 channels.
void ConvertSyccToRgb(const TPixelArea& pixels, int channelCount);
