#pragma once
// The one stand-in for the program's random source in tests, fuzz targets and
// benchmarks: known bytes, so that every run sends the same commands. Either
//   - a stream from a seed (the low byte of each std::mt19937 output),
//   - the bytes a test gives, once, in order (Remaining() counts what is left), or
//   - one given draw per Fill, in turn and again from the first after the last,
//     each Fill taking the beginning of its draw (a recorded key for every run).
// Every Fill's bytes are kept in Filled. It does not install itself: put it in
// place with SetRandomSource() or a TScopedSeam. No test framework inside:
// drawing more than was given calls UsedUp (and delivers zeros).

#include <cstdint>
#include <functional>
#include <random>
#include <span>
#include <vector>

#include "crypto/RandomSource.h"
#include "support/Hex.h"

class TSeededRandomSource : public TRandomSource {
public:
  explicit TSeededRandomSource(std::uint32_t seed);
  explicit TSeededRandomSource(TBytes bytes);
  static TSeededRandomSource EachFillFrom(std::vector<TBytes> draws);

  void Fill(std::span<std::uint8_t> bytes) override;

  // Given bytes not drawn yet (0 for a stream and for draws).
  std::size_t Remaining() const;

  bool Recording = true;         // off: Filled stays empty (benchmarks)
  std::vector<TBytes> Filled;    // the bytes of every Fill, in order
  std::function<void()> UsedUp;  // called for each Fill that wanted more than was given

private:
  enum class TKind { Stream, Bytes, Draws };
  TSeededRandomSource(TKind kind, std::vector<TBytes> draws);
  std::uint8_t NextGiven(const TBytes& given, std::size_t& position, bool& usedUp);

  TKind kind_;
  std::mt19937 engine_;
  std::vector<TBytes> draws_;  // Bytes: one; Draws: one per Fill, in turn
  std::size_t nextDraw_ = 0;
  std::size_t position_ = 0;  // in the given bytes
};
