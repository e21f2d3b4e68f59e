#pragma once
// Owning handles for the OpenJPEG objects: each one is released by the
// library's own destroy call when it goes out of scope, on every path.

#include <memory>

#include <openjpeg.h>

struct TOpjCodecDeleter {
  void operator()(opj_codec_t* codec) const { opj_destroy_codec(codec); }
};
struct TOpjStreamDeleter {
  void operator()(opj_stream_t* stream) const { opj_stream_destroy(stream); }
};
struct TOpjImageDeleter {
  void operator()(opj_image_t* image) const { opj_image_destroy(image); }
};

using TOpjCodecPtr = std::unique_ptr<opj_codec_t, TOpjCodecDeleter>;
using TOpjStreamPtr = std::unique_ptr<opj_stream_t, TOpjStreamDeleter>;
using TOpjImagePtr = std::unique_ptr<opj_image_t, TOpjImageDeleter>;
