#include <gtest/gtest.h>

#include <bit>
#include <vector>

#include "bac/BacKeys.h"
#include "crypto/DesCipher.h"
#include "support/FakeCard.h"
#include "support/IcaoWorkedExample.h"

namespace {

t128Bit Key16(const TBytes& bytes) {
  t128Bit key{};
  std::ranges::copy(bytes, key.begin());
  return key;
}

TEST(BacKeys, WorkedExampleSeedAndDocumentKeys) {
  const t128Bit seed = ComputeKeySeed(icao::kMrzInformation);
  EXPECT_EQ(ToHex(seed), ToHex(icao::kSeed));

  tMRTD_CTX ctx{};
  ctx.BacEnabled = true;
  ctx.SSC = {1, 2, 3, 4, 5, 6, 7, 8};
  ctx.RND_IFD = {9, 9, 9, 9, 9, 9, 9, 9};
  ctx.K_IFD.fill(0x5A);
  const tMRTD_CTX before = ctx;
  DeriveBacKeys(seed, ctx);
  EXPECT_EQ(ToHex(ctx.encK), ToHex(icao::kEnc));
  EXPECT_EQ(ToHex(ctx.macK), ToHex(icao::kMac));
  // Nothing else is touched, and the same seed gives the same keys again.
  EXPECT_EQ(ctx.BacEnabled, before.BacEnabled);
  EXPECT_EQ(ctx.SSC, before.SSC);
  EXPECT_EQ(ctx.RND_IFD, before.RND_IFD);
  EXPECT_EQ(ctx.K_IFD, before.K_IFD);
  const tMRTD_CTX first = ctx;
  DeriveBacKeys(seed, ctx);
  EXPECT_EQ(ctx.encK, first.encK);
  EXPECT_EQ(ctx.macK, first.macK);
}

TEST(BacKeys, WorkedExampleSessionKeysHaveOddParity) {
  tMRTD_CTX ctx{};
  DeriveBacKeys(Key16(icao::kSessionSeed), ctx);
  EXPECT_EQ(ToHex(ctx.encK), ToHex(icao::kSessionEnc));
  EXPECT_EQ(ToHex(ctx.macK), ToHex(icao::kSessionMac));
  for (const std::uint8_t b : ctx.encK) EXPECT_EQ(std::popcount(b) % 2, 1);
  for (const std::uint8_t b : ctx.macK) EXPECT_EQ(std::popcount(b) % 2, 1);
  // The halves are views of the same bytes.
  ctx.encKb()[0] = 0x00;
  EXPECT_EQ(ctx.encK[8], 0x00);
}

TEST(AdjustDesParity, FlipsTheLowestBitOfEvenBytesOnly) {
  t64Bit key{0x01, 0x00, 0x03, 0xFF, 0xFE, 0x80, 0x7F, 0xAA};
  AdjustDesParity(key);
  EXPECT_EQ(ToHex(key), "010102FEFE807FAB");
}

}  // namespace
