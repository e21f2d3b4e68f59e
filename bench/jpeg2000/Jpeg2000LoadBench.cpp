// Loading a passport face: a 480 x 640 colour JP2 of about 20 KB (lossy,
// 9/7 wavelet, one tile, 64 x 64 code-blocks, as passport chips hold them).
// Every figure is a subject timed side by side with its floor in one run:
//
//   Conversion           turning the decoded components into the bitmap, against
//                        OpenJPEG's decode alone (one thread); CPU time of the thread
//   LoadFromStream/N     the whole TJpeg2000Bitmap::LoadFromStream with N decoder
//                        threads, against the decode alone with N threads; wall time
//   ExactInput/N         the decode as LoadFromStream runs it (input read byte-exact,
//                        to know where the image ends), against the library's
//                        default 1 MB read-ahead; wall time
//   Threads/<layout>     the decode with two threads, against one; wall time.
//                        speedup = floor / subject; identical = 1 when both give the
//                        same samples; serial = the share of the one-thread time that
//                        two threads do not shorten (Amdahl: 2 x ratio - 1);
//                        work_ratio = CPU time of the process for a decode with
//                        two threads against one (what the threads cost).
//                        Layouts: the stored face, and the same face encoded again
//                        at the same size with 4 tiles, 32 x 32 code-blocks, or both;
//                        last, the face of the sample passport the reading benchmarks
//                        use (240 x 320, lossless 5/3 wavelet, 16 KB).
//
// Run with repetitions, e.g.
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

#include "bench/jpeg2000/FaceVariants.h"
#include "bench/support/SideBySide.h"
#include "document/face/FaceLocation.h"
#include "jpeg2000/BitmapBuilder.h"
#include "jpeg2000/Jp2Header.h"
#include "jpeg2000/Jpeg2000Bitmap.h"
#include "jpeg2000/OpenJpegDecoder.h"
#include "tools/simchip/DocumentFile.h"

namespace {

using bench::TClock;

constexpr int kWallBatch = 4;
constexpr int kConversionBatch = 16;
constexpr int kWorkSamples = 10;

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

// A codestream to decode and its format.
struct TCodestream {
  std::vector<std::uint8_t> Bytes;
  OPJ_CODEC_FORMAT Format;
};

const std::vector<TFaceLayout>& Layouts() {
  static const std::vector<TFaceLayout> layouts{
      {"stored", 0, 0, 64},         {"tiles-4", 240, 320, 64},
      {"blocks-32", 0, 0, 32},      {"tiles-4-blocks-32", 240, 320, 32},
      {"sample-passport", 0, 0, 0},
  };
  return layouts;
}

const TCodestream& Variant(std::size_t index) {
  static const std::vector<TCodestream> variants = [] {
    std::vector<TCodestream> all{{{FaceBytes().begin(), FaceBytes().end()}, OPJ_CODEC_JP2}};
    const TDecodeResult decoded = DecodeJpeg2000(FaceBytes(), OPJ_CODEC_JP2, 1);
    if (!decoded.Image) throw std::runtime_error("cannot decode the face fixture");
    for (std::size_t i = 1; i + 1 < Layouts().size(); ++i)
      all.push_back({EncodeFace(*decoded.Image, Layouts()[i], FaceBytes().size()), OPJ_CODEC_J2K});
    const simchip::TDocument sample = simchip::LoadDocumentFile(ZELVAN_SAMPLE_PASSPORT);
    const auto face = LocateFaceImage(sample.Lds.at(simchip::DataGroupFileId(2)));
    if (!face) throw std::runtime_error("no face in the sample passport");
    all.push_back({{face->begin(), face->end()}, OPJ_CODEC_JP2});
    return all;
  }();
  return variants.at(index);
}

bool SameSamples(const opj_image_t& a, const opj_image_t& b) {
  if (a.numcomps != b.numcomps) return false;
  for (std::uint32_t c = 0; c < a.numcomps; ++c) {
    const opj_image_comp_t& x = a.comps[c];
    const opj_image_comp_t& y = b.comps[c];
    if (x.w != y.w || x.h != y.h || x.prec != y.prec || x.sgnd != y.sgnd) return false;
    if (std::memcmp(x.data, y.data, sizeof(OPJ_INT32) * x.w * x.h) != 0) return false;
  }
  return true;
}

void Decode(std::span<const std::uint8_t> bytes, OPJ_CODEC_FORMAT format, int threads) {
  TDecodeResult result = DecodeJpeg2000(bytes, format, threads);
  if (!result.Image) throw std::runtime_error("decoding failed");
  benchmark::DoNotOptimize(result.Image.get());
}

void Conversion(benchmark::State& state) {
  const TDecodeResult decoded = DecodeJpeg2000(FaceBytes(), OPJ_CODEC_JP2, 1);
  if (!decoded.Image) {
    state.SkipWithError("decoding failed");
    return;
  }
  const TColourDescription colour = ReadJp2Colour(FaceBytes(), decoded.Image->numcomps);
  decoded.Image->color_space = colour.ColorSpace;
  const auto convert = [&] {
    QImage bitmap = BuildBitmap(*decoded.Image, colour.ComponentTypes);
    benchmark::DoNotOptimize(bitmap.constBits());
  };
  const auto decode = [] { Decode(FaceBytes(), OPJ_CODEC_JP2, 1); };
  bench::SideBySide(state, TClock::ThreadCpu, kConversionBatch, convert, decode);
}

void LoadFromStream(benchmark::State& state) {
  const int threads = static_cast<int>(state.range(0));
  TJpeg2000Bitmap bitmap;
  bitmap.SetDecoderThreads(threads);
  const auto load = [&] {
    QBuffer buffer;
    buffer.setData(Face());
    buffer.open(QIODevice::ReadOnly);
    bitmap.LoadFromStream(buffer);
    benchmark::DoNotOptimize(bitmap.Image().constBits());
  };
  const auto decode = [threads] { Decode(FaceBytes(), OPJ_CODEC_JP2, threads); };
  bench::SideBySide(state, TClock::Wall, kWallBatch, load, decode);
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

void DecodeBuffered(int threads) {
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
  opj_codec_set_threads(codec.get(), threads > 1 ? threads : 0);
  opj_image_t* header = nullptr;
  const bool read = opj_read_header(stream.get(), codec.get(), &header);
  TOpjImagePtr image(header);
  if (!read || !opj_decode(codec.get(), stream.get(), image.get())) throw std::runtime_error("decoding failed");
  benchmark::DoNotOptimize(image.get());
}

void ExactInput(benchmark::State& state) {
  const int threads = static_cast<int>(state.range(0));
  const auto exact = [threads] { Decode(FaceBytes(), OPJ_CODEC_JP2, threads); };
  const auto buffered = [threads] { DecodeBuffered(threads); };
  bench::SideBySide(state, TClock::Wall, kWallBatch, exact, buffered);
}

void Threads(benchmark::State& state) {
  const std::size_t index = static_cast<std::size_t>(state.range(0));
  const TCodestream& codestream = Variant(index);
  state.SetLabel(Layouts()[index].Name + " " + std::to_string(codestream.Bytes.size()) + " bytes");
  const TDecodeResult one = DecodeJpeg2000(codestream.Bytes, codestream.Format, 1);
  const TDecodeResult two = DecodeJpeg2000(codestream.Bytes, codestream.Format, 2);
  if (!one.Image || !two.Image) {
    state.SkipWithError("decoding failed");
    return;
  }
  const auto decodeTwo = [&] { Decode(codestream.Bytes, codestream.Format, 2); };
  const auto decodeOne = [&] { Decode(codestream.Bytes, codestream.Format, 1); };
  bench::SideBySide(state, TClock::Wall, kWallBatch, decodeTwo, decodeOne);
  const double ratio = state.counters["ratio"];
  state.counters["speedup"] = ratio > 0 ? 1 / ratio : 0;
  state.counters["serial"] = 2 * ratio - 1;
  state.counters["identical"] = SameSamples(*one.Image, *two.Image) ? 1 : 0;
  double work[3] = {0, 0, 0};
  for (int i = 0; i < kWorkSamples; ++i) {
    for (const int threads : {1, 2}) {
      const double start = bench::Seconds(TClock::ProcessCpu);
      Decode(codestream.Bytes, codestream.Format, threads);
      work[threads] += bench::Seconds(TClock::ProcessCpu) - start;
    }
  }
  state.counters["work_ratio"] = work[2] / work[1];
}

// The cores are shared, so besides the mean and median of repetitions the
// least is reported: the run least disturbed by other work.
double Least(const std::vector<double>& values) { return *std::min_element(values.begin(), values.end()); }

// Iterations: about a second of both sides.
template <benchmark::IterationCount Iterations>
void Configure(benchmark::internal::Benchmark* benchmark) {
  benchmark->UseManualTime()->Iterations(Iterations)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", Least);
}

}  // namespace

BENCHMARK(Conversion)->Apply(Configure<8>);
BENCHMARK(LoadFromStream)->Arg(1)->Arg(2)->Apply(Configure<16>);
BENCHMARK(ExactInput)->Arg(1)->Arg(2)->Apply(Configure<16>);
BENCHMARK(Threads)->DenseRange(0, 4)->Apply(Configure<20>);

BENCHMARK_MAIN();
