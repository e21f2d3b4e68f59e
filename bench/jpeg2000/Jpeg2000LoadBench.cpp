// Cost of loading a 480 x 640 colour JP2 face of about 20 KB (lossy, as on a
// passport chip), in one run:
//   OpenJpegDecode      the library's decode alone, as LoadFromStream runs it
//   OpenJpegDecodeBuffered  the same with the library's default 1 MB read-ahead,
//                       to show what the byte-exact input tracking costs
//   Conversion          turning the decoded components into the bitmap
//   LoadFromStream      everything, from the stream to the bitmap
// The argument is the number of decoder threads. Run with repetitions, e.g.
//   jpeg2000_bench --benchmark_repetitions=10 --benchmark_report_aggregates_only=true

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>
#include <stdexcept>
#include <vector>

#include <QBuffer>
#include <QFile>

#include "jpeg2000/BitmapBuilder.h"
#include "jpeg2000/Jp2Header.h"
#include "jpeg2000/Jpeg2000Bitmap.h"
#include "jpeg2000/OpenJpegDecoder.h"

namespace {

const QByteArray& Face() {
  static const QByteArray bytes = [] {
    QFile file(ZELVAN_JPEG2000_FACE);
    if (!file.open(QIODevice::ReadOnly)) throw std::runtime_error("missing face fixture");
    return file.readAll();
  }();
  return bytes;
}

std::span<const std::uint8_t> FaceBytes() {
  return {reinterpret_cast<const std::uint8_t*>(Face().constData()), static_cast<std::size_t>(Face().size())};
}

void OpenJpegDecode(benchmark::State& state) {
  for (auto _ : state) {
    TDecodeResult result = DecodeJpeg2000(FaceBytes(), OPJ_CODEC_JP2, static_cast<int>(state.range(0)));
    if (!result.Image) state.SkipWithError("decoding failed");
    benchmark::DoNotOptimize(result.Image.get());
  }
}

// OpenJPEG reading from memory through its default-sized stream buffer.
struct TPlainInput {
  std::span<const std::uint8_t> Bytes;
  std::size_t Position = 0;
};

OPJ_SIZE_T PlainRead(void* buffer, OPJ_SIZE_T count, void* user) {
  auto& input = *static_cast<TPlainInput*>(user);
  const std::size_t taken = std::min<std::size_t>(count, input.Bytes.size() - input.Position);
  if (taken == 0) return static_cast<OPJ_SIZE_T>(-1);
  std::memcpy(buffer, input.Bytes.data() + input.Position, taken);
  input.Position += taken;
  return taken;
}

OPJ_OFF_T PlainSkip(OPJ_OFF_T count, void* user) {
  auto& input = *static_cast<TPlainInput*>(user);
  const std::size_t moved = std::min<std::size_t>(static_cast<std::size_t>(count), input.Bytes.size() - input.Position);
  input.Position += moved;
  return static_cast<OPJ_OFF_T>(moved);
}

OPJ_BOOL PlainSeek(OPJ_OFF_T position, void* user) {
  auto& input = *static_cast<TPlainInput*>(user);
  if (static_cast<std::size_t>(position) > input.Bytes.size()) return OPJ_FALSE;
  input.Position = static_cast<std::size_t>(position);
  return OPJ_TRUE;
}

void OpenJpegDecodeBuffered(benchmark::State& state) {
  for (auto _ : state) {
    TPlainInput input{FaceBytes()};
    opj_dparameters_t parameters;
    opj_set_default_decoder_parameters(&parameters);
    parameters.flags |= OPJ_DPARAMETERS_IGNORE_PCLR_CMAP_CDEF_FLAG;
    TOpjCodecPtr codec(opj_create_decompress(OPJ_CODEC_JP2));
    TOpjStreamPtr stream(opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_TRUE));
    opj_stream_set_user_data(stream.get(), &input, nullptr);
    opj_stream_set_user_data_length(stream.get(), input.Bytes.size());
    opj_stream_set_read_function(stream.get(), &PlainRead);
    opj_stream_set_skip_function(stream.get(), &PlainSkip);
    opj_stream_set_seek_function(stream.get(), &PlainSeek);
    opj_setup_decoder(codec.get(), &parameters);
    opj_codec_set_threads(codec.get(), state.range(0) > 1 ? static_cast<int>(state.range(0)) : 0);
    opj_image_t* header = nullptr;
    const bool read = opj_read_header(stream.get(), codec.get(), &header);
    TOpjImagePtr image(header);
    if (!read || !opj_decode(codec.get(), stream.get(), image.get())) state.SkipWithError("decoding failed");
    benchmark::DoNotOptimize(image.get());
  }
}

void Conversion(benchmark::State& state) {
  const TDecodeResult decoded = DecodeJpeg2000(FaceBytes(), OPJ_CODEC_JP2, 1);
  if (!decoded.Image) {
    state.SkipWithError("decoding failed");
    return;
  }
  const TColourDescription colour = ReadJp2Colour(FaceBytes(), decoded.Image->numcomps);
  decoded.Image->color_space = colour.ColorSpace;
  for (auto _ : state) {
    QImage bitmap = BuildBitmap(*decoded.Image, colour.ComponentTypes);
    benchmark::DoNotOptimize(bitmap.constBits());
  }
}

void LoadFromStream(benchmark::State& state) {
  TJpeg2000Bitmap bitmap;
  bitmap.SetDecoderThreads(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    QBuffer buffer;
    buffer.setData(Face());
    buffer.open(QIODevice::ReadOnly);
    bitmap.LoadFromStream(buffer);
    benchmark::DoNotOptimize(bitmap.Image().constBits());
  }
}

// The cores are shared, so besides the mean and median of repetitions the
// least time is reported: the one least disturbed by other work.
double Least(const std::vector<double>& times) { return *std::min_element(times.begin(), times.end()); }

void Configure(benchmark::internal::Benchmark* benchmark) {
  benchmark->UseRealTime()->Unit(benchmark::kMillisecond)->ComputeStatistics("min", Least);
}

}  // namespace

BENCHMARK(OpenJpegDecode)->Arg(1)->Arg(2)->Apply(Configure);
BENCHMARK(OpenJpegDecodeBuffered)->Arg(1)->Arg(2)->Apply(Configure);
BENCHMARK(Conversion)->Apply(Configure);
BENCHMARK(LoadFromStream)->Arg(1)->Arg(2)->Apply(Configure);

BENCHMARK_MAIN();
