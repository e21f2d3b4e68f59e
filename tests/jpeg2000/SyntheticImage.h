#pragma once
// Decoded image records built by hand, for testing the conversion without a
// decoder, and pixel buffers to convert into.

#include <cstdint>
#include <vector>

#include <openjpeg.h>

#include "jpeg2000/ChannelConversion.h"

struct TComponentDescription {
  std::uint32_t W = 1, H = 1, Dx = 1, Dy = 1, Prec = 8, Sgnd = 0;
  std::vector<OPJ_INT32> Samples;  // W x H; empty for a component without data
};

// Owns an opj_image_t over the area (0,0)-(width,height) and its components.
class TSyntheticImage {
public:
  TSyntheticImage(std::uint32_t width, std::uint32_t height, std::vector<TComponentDescription> components,
                  OPJ_COLOR_SPACE colorSpace = OPJ_CLRSPC_UNKNOWN);
  TSyntheticImage(const TSyntheticImage&) = delete;
  TSyntheticImage& operator=(const TSyntheticImage&) = delete;

  opj_image_t& Image() { return image_; }
  const opj_image_comp_t& Component(std::size_t index) const { return records_.at(index); }

private:
  std::vector<TComponentDescription> descriptions_;
  std::vector<opj_image_comp_t> records_;
  opj_image_t image_{};
};

// Pixel rows with padding at the end of each row, all bytes preset to a
// sentinel so that untouched bytes show.
class TPixelBuffer {
public:
  static constexpr std::uint8_t kSentinel = 0xA5;
  static constexpr std::size_t kPadding = 3;

  TPixelBuffer(int width, int height, int channels);
  TPixelArea Area() { return {bytes_, width_, height_, bytesPerLine_}; }
  std::uint8_t At(int x, int y, int channel) const;
  // One channel of every pixel, row by row.
  std::vector<std::uint8_t> Channel(int channel) const;
  // True when no byte outside the pixels (the row padding) changed.
  bool PaddingUntouched() const;
  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

private:
  int width_, height_, channels_;
  std::size_t bytesPerLine_;
  std::vector<std::uint8_t> bytes_;
};
