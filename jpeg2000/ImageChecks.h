#pragma once
// Sanity checks on the image records the decoder hands back, so that a
// hostile or damaged file ends as a decoding failure instead of a huge
// allocation or an access outside the component buffers.

#include <cstdint>

#include <openjpeg.h>

// The largest picture accepted: far beyond any face image, small enough for
// the bitmap's allocation to stay reasonable.
inline constexpr std::uint32_t kMaxImageSide = 32768;
inline constexpr std::uint64_t kMaxImagePixels = std::uint64_t{1} << 26;
// Precisions the conversion can scale.
inline constexpr std::uint32_t kMaxPrecision = 32;

// The image area and component geometry as read from the headers, before the
// decoder allocates any sample.
bool IsAcceptableHeader(const opj_image_t& image);

// A decoded image: the header checks, and for every component its samples
// present and its size the one the image area and subsampling give.
bool IsAcceptableDecodedImage(const opj_image_t& image);
