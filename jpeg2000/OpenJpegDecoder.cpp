#include "jpeg2000/OpenJpegDecoder.h"

#include "jpeg2000/ImageChecks.h"
#include "jpeg2000/MemoryInput.h"

namespace {

void DiscardMessage(const char*, void*) {}

TOpjCodecPtr CreateQuietDecompressor(OPJ_CODEC_FORMAT format) {
  TOpjCodecPtr codec(opj_create_decompress(format));
  if (codec) {
    opj_set_info_handler(codec.get(), &DiscardMessage, nullptr);
    opj_set_warning_handler(codec.get(), &DiscardMessage, nullptr);
    opj_set_error_handler(codec.get(), &DiscardMessage, nullptr);
  }
  return codec;
}

// Header, checks, samples; null on any failure.
TOpjImagePtr Decode(opj_codec_t& codec, opj_stream_t& stream) {
  opj_image_t* header = nullptr;
  const bool headerRead = opj_read_header(&stream, &codec, &header);
  TOpjImagePtr image(header);
  if (!headerRead || !image || !IsAcceptableHeader(*image)) return nullptr;
  if (!opj_decode(&codec, &stream, image.get())) return nullptr;
  return image;
}

}  // namespace

TDecodeResult DecodeJpeg2000(std::span<const std::uint8_t> input, OPJ_CODEC_FORMAT format, int threads) {
  opj_dparameters_t parameters;
  opj_set_default_decoder_parameters(&parameters);
  parameters.flags |= OPJ_DPARAMETERS_IGNORE_PCLR_CMAP_CDEF_FLAG;

  TMemoryInput memory(input);
  TOpjCodecPtr codec = CreateQuietDecompressor(format);
  TOpjStreamPtr stream = memory.OpenStream();
  if (!codec || !stream || !opj_setup_decoder(codec.get(), &parameters)) return {nullptr, memory.Position()};
  // Set always, so that the library's OPJ_NUM_THREADS environment variable
  // has no say; 0 keeps decoding on this thread. Without thread support in
  // the library this fails and decoding stays on this thread.
  opj_codec_set_threads(codec.get(), threads > 1 ? threads : 0);
  TOpjImagePtr image = Decode(*codec, *stream);
  return {std::move(image), memory.Position()};
}
