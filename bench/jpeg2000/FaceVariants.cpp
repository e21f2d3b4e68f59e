#include "bench/jpeg2000/FaceVariants.h"

#include <cstring>
#include <stdexcept>
#include <vector>

#include "jpeg2000/OpenJpegHandles.h"

namespace {

// A growable output the encoder writes, skips and seeks in.
struct TOutput {
  std::vector<std::uint8_t> Bytes;
  std::size_t Position = 0;
};

OPJ_SIZE_T Write(void* buffer, OPJ_SIZE_T count, void* user) {
  auto& out = *static_cast<TOutput*>(user);
  if (out.Position + count > out.Bytes.size()) out.Bytes.resize(out.Position + count);
  std::memcpy(out.Bytes.data() + out.Position, buffer, count);
  out.Position += count;
  return count;
}

OPJ_OFF_T Skip(OPJ_OFF_T count, void* user) {
  auto& out = *static_cast<TOutput*>(user);
  out.Position += static_cast<std::size_t>(count);
  if (out.Position > out.Bytes.size()) out.Bytes.resize(out.Position);
  return count;
}

OPJ_BOOL Seek(OPJ_OFF_T position, void* user) {
  auto& out = *static_cast<TOutput*>(user);
  out.Position = static_cast<std::size_t>(position);
  if (out.Position > out.Bytes.size()) out.Bytes.resize(out.Position);
  return OPJ_TRUE;
}

// A fresh image with the same components and samples.
TOpjImagePtr CopyImage(const opj_image_t& source) {
  std::vector<opj_image_cmptparm_t> parameters(source.numcomps);
  for (std::uint32_t c = 0; c < source.numcomps; ++c) {
    const opj_image_comp_t& comp = source.comps[c];
    parameters[c] = {};
    parameters[c].dx = comp.dx;
    parameters[c].dy = comp.dy;
    parameters[c].w = comp.w;
    parameters[c].h = comp.h;
    parameters[c].prec = comp.prec;
    parameters[c].sgnd = comp.sgnd;
  }
  TOpjImagePtr image(opj_image_create(source.numcomps, parameters.data(), OPJ_CLRSPC_SRGB));
  if (!image) throw std::runtime_error("cannot create an image to encode");
  image->x0 = source.x0;
  image->y0 = source.y0;
  image->x1 = source.x1;
  image->y1 = source.y1;
  for (std::uint32_t c = 0; c < source.numcomps; ++c)
    std::memcpy(image->comps[c].data, source.comps[c].data, sizeof(OPJ_INT32) * source.comps[c].w * source.comps[c].h);
  return image;
}

}  // namespace

std::vector<std::uint8_t> EncodeFace(const opj_image_t& source, const TFaceLayout& layout, std::size_t targetBytes) {
  TOpjImagePtr image = CopyImage(source);
  opj_cparameters_t parameters;
  opj_set_default_encoder_parameters(&parameters);
  parameters.irreversible = 1;
  parameters.tcp_mct = 1;
  parameters.numresolution = 6;
  parameters.cblockw_init = layout.CodeBlockSize;
  parameters.cblockh_init = layout.CodeBlockSize;
  parameters.tcp_numlayers = 1;
  parameters.cp_disto_alloc = 1;
  const double rawBytes = static_cast<double>(image->x1 - image->x0) * (image->y1 - image->y0) * image->numcomps;
  parameters.tcp_rates[0] = static_cast<float>(rawBytes / static_cast<double>(targetBytes));
  if (layout.TileWidth > 0) {
    parameters.tile_size_on = OPJ_TRUE;
    parameters.cp_tdx = layout.TileWidth;
    parameters.cp_tdy = layout.TileHeight;
  }

  TOpjCodecPtr codec(opj_create_compress(OPJ_CODEC_J2K));
  TOutput out;
  TOpjStreamPtr stream(opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_FALSE));
  opj_stream_set_user_data(stream.get(), &out, nullptr);
  opj_stream_set_write_function(stream.get(), &Write);
  opj_stream_set_skip_function(stream.get(), &Skip);
  opj_stream_set_seek_function(stream.get(), &Seek);
  if (!opj_setup_encoder(codec.get(), &parameters, image.get()) ||
      !opj_start_compress(codec.get(), image.get(), stream.get()) || !opj_encode(codec.get(), stream.get()) ||
      !opj_end_compress(codec.get(), stream.get()))
    throw std::runtime_error("cannot encode the face as " + layout.Name);
  stream.reset();  // flushes what the library still holds
  return std::move(out.Bytes);
}
