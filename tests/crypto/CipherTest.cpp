#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "crypto/DesCipher.h"
#include "crypto/RetailMac.h"
#include "crypto/TripleDes.h"
#include "support/FakeCard.h"
#include "support/IcaoWorkedExample.h"

namespace {

t64Bit Block(const TBytes& bytes) {
  t64Bit block{};
  std::copy_n(bytes.begin(), block.size(), block.begin());
  return block;
}

tMRTD_CTX Session(const TBytes& enc, const TBytes& mac, const std::string& ssc = "0000000000000000") {
  tMRTD_CTX ctx{};
  std::ranges::copy(enc, ctx.encK.begin());
  std::ranges::copy(mac, ctx.macK.begin());
  ctx.SSC = Block(Hex(ssc));
  return ctx;
}

struct TDesVector {
  std::string Key, Plain, Cipher;
};

TEST(DesBlock, ReproducesPublishedDesVectors) {
  const std::vector<TDesVector> vectors{
      {"133457799BBCDFF1", "0123456789ABCDEF", "85E813540F0AB405"},  // the classic worked DES example
      {"0123456789ABCDEF", "4E6F772069732074", "3FA40E8A984D4815"},  // FIPS 81, "Now is t"
      {"0E329232EA6D0D73", "8787878787878787", "0000000000000000"},
  };
  for (const auto& v : vectors) {
    const TBytes key = Hex(v.Key);
    const TDesKey k(key.data(), 8);
    EXPECT_EQ(ToHex(DesBlock(k, TCipherDirection::Encrypt, Block(Hex(v.Plain)))), v.Cipher) << v.Key;
    EXPECT_EQ(ToHex(DesBlock(k, TCipherDirection::Decrypt, Block(Hex(v.Cipher)))), v.Plain) << v.Key;
  }
}

TEST(TripleDes, EnciphersTheWorkedExampleCryptogramsUnderKEnc) {
  const tMRTD_CTX ctx = Session(icao::kEnc, icao::kMac);
  std::array<std::uint8_t, 256> out{};
  EXPECT_EQ(Encrypt3Des(ctx, icao::kS, out, false), 32u);  // whole blocks, no force: nothing added
  EXPECT_EQ(ToHex(std::span(out).first(32)), ToHex(icao::kEIfd));
  EXPECT_TRUE(std::all_of(out.begin() + 32, out.end(), [](auto b) { return b == 0; }));

  std::array<std::uint8_t, 256> r{};
  EXPECT_EQ(Decrypt3Des(ctx, icao::kEIcc, r), 32u);  // R ends in 0B: no padding seen
  EXPECT_EQ(ToHex(std::span(r).first(32)), ToHex(icao::kR));
}

TEST(TripleDes, RoundTripRecoversDataAndLengthWithForcedPadding) {
  const tMRTD_CTX ctx = Session(icao::kSessionEnc, icao::kSessionMac);
  for (const std::size_t length : {0u, 1u, 7u, 8u, 9u, 100u, 231u}) {
    TBytes data(length);
    for (std::size_t i = 0; i < length; ++i) data[i] = static_cast<std::uint8_t>(0x80 + i);  // ends in non-zero
    std::array<std::uint8_t, 256> cipher{};
    const std::size_t p = Encrypt3Des(ctx, data, cipher, true);
    EXPECT_EQ(p, (length / 8 + 1) * 8);
    std::array<std::uint8_t, 256> again{};
    Encrypt3Des(ctx, data, again, true);
    EXPECT_EQ(cipher, again) << "no chaining value carries from one call to the next";

    std::array<std::uint8_t, 256> plain{};
    EXPECT_EQ(Decrypt3Des(ctx, std::span(cipher).first(p), plain), length);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), plain.begin())) << length;
    EXPECT_EQ(plain[length], 0x80);
  }
}

TEST(TripleDes, DecipherOfAShortFinalBlockTakesWholeBlocksOnly) {
  const tMRTD_CTX ctx = Session(icao::kEnc, icao::kMac);
  std::array<std::uint8_t, 64> out;
  out.fill(0xCC);
  // 35 bytes given: 4 whole blocks deciphered, the 3 extra bytes ignored, nothing written beyond 32.
  const TBytes input = Concat({icao::kEIcc, Hex("AABBCC")});
  EXPECT_EQ(Decrypt3Des(ctx, input, out), 32u);
  EXPECT_EQ(ToHex(std::span(out).first(32)), ToHex(icao::kR));
  EXPECT_TRUE(std::all_of(out.begin() + 32, out.end(), [](auto b) { return b == 0xCC; }));
  // An output smaller than the input receives only its whole blocks.
  std::array<std::uint8_t, 20> small;
  small.fill(0xCC);
  Decrypt3Des(ctx, icao::kEIcc, small);
  EXPECT_EQ(ToHex(std::span(small).first(16)), ToHex(std::span(icao::kR).first(16)));
  EXPECT_TRUE(std::all_of(small.begin() + 16, small.end(), [](auto b) { return b == 0xCC; }));
}

// ISO/IEC 9797-1 MAC algorithm 3 computed block by block with single DES operations.
t64Bit ReferenceRetailMac(const tMRTD_CTX& ctx, TBytes message) {
  message.push_back(0x80);
  while (message.size() % 8 != 0) message.push_back(0x00);
  t64Bit h{};
  for (std::size_t i = 0; i < message.size(); i += 8) {
    for (std::size_t j = 0; j < 8; ++j) h[j] ^= message[i + j];
    h = DesBlock(ctx.macKa(), TCipherDirection::Encrypt, h);
  }
  h = DesBlock(ctx.macKb(), TCipherDirection::Decrypt, h);
  return DesBlock(ctx.macKa(), TCipherDirection::Encrypt, h);
}

TEST(ComputeMac, WithAZeroCounterIsTheRetailMacOfTheDataAlone) {
  tMRTD_CTX ctx = Session(icao::kEnc, icao::kMac);
  EXPECT_EQ(ToHex(ComputeMac(ctx, icao::kEIfd)), ToHex(icao::kMIfd));
  EXPECT_EQ(ToHex(ComputeMac(ctx, icao::kEIcc)), ToHex(icao::kMIcc));
  EXPECT_EQ(ToHex(ctx.SSC), "0000000000000000");

  for (const std::size_t length : {0u, 1u, 7u, 8u, 9u, 15u, 16u, 100u, 271u}) {
    TBytes data(length);
    for (std::size_t i = 0; i < length; ++i) data[i] = static_cast<std::uint8_t>(i * 7 + 3);
    EXPECT_EQ(ComputeMac(ctx, data), ReferenceRetailMac(ctx, data)) << length;
  }
  EXPECT_EQ(ToHex(ctx.SSC), "0000000000000000");
}

struct TMacVector {
  std::string SscBefore;
  TBytes Data;
  TBytes Mac;
};

TEST(ComputeMac, AdvancesTheCounterAndMacsItInFrontOfTheData) {
  // The secure-messaging MACs of the worked example, each with the counter it follows.
  const std::vector<TMacVector> vectors{
      {"887022120C06C226", Concat({Hex("0CA4020C80000000"), icao::kSelectDo87}), icao::kSelectCc},
      {"887022120C06C227", Hex("99029000"), icao::kSelectAnswerCc},
      {"887022120C06C228", Hex("0CB0000080000000970104"), icao::kRead1Cc},
      {"887022120C06C229", Hex("8709019FF0EC34F992265199029000"), icao::kRead1AnswerCc},
      {"887022120C06C22A", Hex("0CB0000480000000970112"), icao::kRead2Cc},
      {"887022120C06C22B", Hex("871901FB9235F4E4037F2327DCC8964F1F9B8C30F42C8E2FFF224A99029000"), icao::kRead2AnswerCc},
  };
  for (const auto& v : vectors) {
    tMRTD_CTX ctx = Session(icao::kSessionEnc, icao::kSessionMac, v.SscBefore);
    EXPECT_EQ(ToHex(ComputeMac(ctx, v.Data)), ToHex(v.Mac)) << v.SscBefore;
    TBytes after = Hex(v.SscBefore);
    after.back() += 1;
    EXPECT_EQ(ToHex(ctx.SSC), ToHex(after));
  }
}

TEST(ComputeMac, TwoMacsOfTheSameDataInARowDiffer) {
  tMRTD_CTX ctx = Session(icao::kSessionEnc, icao::kSessionMac, "00000000000000FF");
  const t64Bit first = ComputeMac(ctx, Hex("99029000"));
  EXPECT_EQ(ToHex(ctx.SSC), "0000000000000100");
  const t64Bit second = ComputeMac(ctx, Hex("99029000"));
  EXPECT_EQ(ToHex(ctx.SSC), "0000000000000101");
  EXPECT_NE(first, second);
  // The counter goes in front of the data: the same as a zero counter over SSC || data.
  tMRTD_CTX plain = Session(icao::kSessionEnc, icao::kSessionMac);
  EXPECT_EQ(second, ComputeMac(plain, Hex("000000000000010199029000")));
}

}  // namespace
