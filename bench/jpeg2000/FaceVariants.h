#pragma once
// The same face encoded again with OpenJPEG's encoder, in memory, with other
// tile and code-block layouts, at the same compressed size: to see how the
// layout of a codestream bounds what a second decoder thread can do.

#include <cstdint>
#include <string>
#include <vector>

#include <openjpeg.h>

struct TFaceLayout {
  std::string Name;
  int TileWidth = 0;  // 0: one tile for the whole image
  int TileHeight = 0;
  int CodeBlockSize = 64;
};

// A raw codestream (J2K) of the image's samples: 9/7 wavelet with the colour
// transform, 6 resolutions, one quality layer of about targetBytes.
std::vector<std::uint8_t> EncodeFace(const opj_image_t& image, const TFaceLayout& layout, std::size_t targetBytes);
