// Fixture helper: encodes a planes file (see make-fixtures.py) into a
// lossless JPEG 2000 codestream with exactly the component geometry it
// describes. Used for the subsampled fixtures, which opj_compress cannot
// read from raw input at odd sizes.
//
//   encode-planes <input.planes> <output.j2k>

#include <openjpeg.h>

#include <algorithm>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

struct Component {
  opj_image_cmptparm_t parameters{};
  std::vector<OPJ_INT32> samples;
};

bool ReadPlanes(const char* path, OPJ_UINT32 (&area)[4], std::vector<Component>& components) {
  std::ifstream in(path);
  std::string word;
  int version = 0;
  if (!(in >> word >> version) || word != "jpeg2000-planes" || version != 1) return false;
  if (!(in >> word >> area[0] >> area[1] >> area[2] >> area[3]) || word != "area") return false;
  while (in >> word) {
    if (word != "component") return false;
    Component c;
    opj_image_cmptparm_t& p = c.parameters;
    if (!(in >> p.w >> p.h >> p.dx >> p.dy >> p.prec >> p.sgnd)) return false;
    c.samples.resize(std::size_t{p.w} * p.h);
    for (OPJ_INT32& s : c.samples) {
      if (!(in >> s)) return false;
    }
    components.push_back(std::move(c));
  }
  return !components.empty();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: encode-planes <input.planes> <output.j2k>\n";
    return 2;
  }
  OPJ_UINT32 area[4] = {};  // x0 y0 x1 y1
  std::vector<Component> components;
  if (!ReadPlanes(argv[1], area, components)) {
    std::cerr << "bad planes file " << argv[1] << "\n";
    return 1;
  }
  std::vector<opj_image_cmptparm_t> parameters;
  for (const Component& c : components) parameters.push_back(c.parameters);
  opj_image_t* image =
      opj_image_create(static_cast<OPJ_UINT32>(parameters.size()), parameters.data(), OPJ_CLRSPC_UNSPECIFIED);
  image->x0 = area[0];
  image->y0 = area[1];
  image->x1 = area[2];
  image->y1 = area[3];
  for (std::size_t i = 0; i < components.size(); ++i) {
    std::copy(components[i].samples.begin(), components[i].samples.end(), image->comps[i].data);
  }

  opj_cparameters_t cparameters;
  opj_set_default_encoder_parameters(&cparameters);
  cparameters.numresolution = 1;  // the fixtures are a few pixels wide
  cparameters.tcp_numlayers = 1;
  cparameters.tcp_rates[0] = 0;  // lossless
  cparameters.cp_disto_alloc = 1;
  cparameters.tcp_mct = 0;

  opj_codec_t* codec = opj_create_compress(OPJ_CODEC_J2K);
  opj_stream_t* stream = opj_stream_create_default_file_stream(argv[2], OPJ_FALSE);
  const bool ok = codec && stream && opj_setup_encoder(codec, &cparameters, image) &&
                  opj_start_compress(codec, image, stream) && opj_encode(codec, stream) &&
                  opj_end_compress(codec, stream);
  opj_stream_destroy(stream);
  opj_destroy_codec(codec);
  opj_image_destroy(image);
  if (!ok) {
    std::cerr << "encoding failed for " << argv[1] << "\n";
    return 1;
  }
  return 0;
}
