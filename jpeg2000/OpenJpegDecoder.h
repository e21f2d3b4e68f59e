#pragma once
// Runs OpenJPEG over a JP2 file or a raw codestream held in memory, with the
// default decoding parameters (full resolution, all quality layers) and the
// library's messages silenced.
//
// The JP2 palette, component mapping and channel definition boxes are left
// unapplied, so the components come back in codestream order and no colour
// space is set: the caller reads the JP2 header itself (Jp2Header.h).

#include <cstddef>
#include <cstdint>
#include <span>

#include "jpeg2000/OpenJpegHandles.h"

struct TDecodeResult {
  TOpjImagePtr Image;        // null when decoding failed
  std::size_t Consumed = 0;  // input bytes the decoder read, also on failure
};

// threads: the library's worker threads for this decode; 1 decodes on the
// calling thread alone.
TDecodeResult DecodeJpeg2000(std::span<const std::uint8_t> input, OPJ_CODEC_FORMAT format, int threads);
