#pragma once
// The chip's random numbers: the challenge RND.ICC and the key material K.ICC.
// Seeded for reproducible runs; a test can also dictate the next values.

#include <cstdint>
#include <optional>
#include <random>
#include <span>

#include "tools/simchip/CardCrypto.h"

namespace simchip {

class TChipRandom {
public:
  // A fixed seed gives the same sequence every run; no seed draws one from the
  // system's entropy source.
  explicit TChipRandom(std::optional<std::uint64_t> seed = std::nullopt);

  TBlock NextChallenge();
  TKey NextKeyMaterial();
  // Random bytes of any other use (M1 of an Active Authentication signature).
  void Fill(std::span<std::uint8_t> bytes);

  // The value the next draw of its kind returns instead of a random one.
  void SetNextChallenge(const TBlock& challenge) { nextChallenge_ = challenge; }
  void SetNextKeyMaterial(const TKey& keyMaterial) { nextKeyMaterial_ = keyMaterial; }
  // The value every draw of its kind returns from now on (a value set for the
  // next draw still comes first).
  void FixChallenge(const TBlock& challenge) { fixedChallenge_ = challenge; }
  void FixKeyMaterial(const TKey& keyMaterial) { fixedKeyMaterial_ = keyMaterial; }

private:
  std::uint8_t NextByte();

  std::mt19937_64 engine_;
  std::optional<TBlock> nextChallenge_;
  std::optional<TKey> nextKeyMaterial_;
  std::optional<TBlock> fixedChallenge_;
  std::optional<TKey> fixedKeyMaterial_;
};

}  // namespace simchip
