#include "tools/simchip/ChipRandom.h"

namespace simchip {

namespace {

std::uint64_t EntropySeed() {
  std::random_device device;
  return (static_cast<std::uint64_t>(device()) << 32) ^ device();
}

template <typename TArray>
TArray Take(std::optional<TArray>& preset) {
  TArray value = *preset;
  preset.reset();
  return value;
}

}  // namespace

TChipRandom::TChipRandom(std::optional<std::uint64_t> seed) : engine_(seed.value_or(EntropySeed())) {}

std::uint8_t TChipRandom::NextByte() { return static_cast<std::uint8_t>(engine_() >> 56); }

void TChipRandom::Fill(std::span<std::uint8_t> bytes) {
  for (auto& b : bytes) b = NextByte();
}

TBlock TChipRandom::NextChallenge() {
  if (nextChallenge_) return Take(nextChallenge_);
  if (fixedChallenge_) return *fixedChallenge_;
  TBlock challenge{};
  for (auto& b : challenge) b = NextByte();
  return challenge;
}

TKey TChipRandom::NextKeyMaterial() {
  if (nextKeyMaterial_) return Take(nextKeyMaterial_);
  if (fixedKeyMaterial_) return *fixedKeyMaterial_;
  TKey key{};
  for (auto& b : key) b = NextByte();
  return key;
}

}  // namespace simchip
