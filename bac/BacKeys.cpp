#include "bac/BacKeys.h"

#include "crypto/DesCipher.h"

#include <algorithm>
#include <bit>

#include "crypto/SecretBytes.h"
#include "crypto/Sha1Digest.h"

namespace {

enum class TKeyCounter : std::uint8_t { Enc = 1, Mac = 2 };

// The first 16 bytes of SHA-1(seed || 00 00 00 counter), parity adjusted.
void DeriveKey(const t128Bit& seed, TKeyCounter counter, t128Bit& key) {
  TSecretBytes<20> input;
  std::ranges::copy(seed, input.begin());
  input[19] = static_cast<std::uint8_t>(counter);
  TSha1Digest digest = Sha1(input);
  std::copy_n(digest.begin(), key.size(), key.begin());
  WipeBytes(digest);
  AdjustDesParity(std::span<std::uint8_t, 8>(key.data(), 8));
  AdjustDesParity(std::span<std::uint8_t, 8>(key.data() + 8, 8));
}

}  // namespace

t128Bit ComputeKeySeed(const std::string& mrzInformation) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(mrzInformation.data());
  TSha1Digest digest = Sha1(std::span<const std::uint8_t>(bytes, mrzInformation.size()));
  t128Bit seed{};
  std::copy_n(digest.begin(), seed.size(), seed.begin());
  WipeBytes(digest);
  return seed;
}

void DeriveBacKeys(t128Bit seed, tMRTD_CTX& ctx) {
  DeriveKey(seed, TKeyCounter::Enc, ctx.encK);
  DeriveKey(seed, TKeyCounter::Mac, ctx.macK);
  WipeBytes(seed);
}
