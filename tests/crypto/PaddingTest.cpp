#include <gtest/gtest.h>

#include <vector>

#include "crypto/Padding.h"
#include "support/FakeCard.h"

namespace {

struct TPadCase {
  std::size_t Length;
  bool Force;
  std::size_t Padded;
};

TEST(PadData, PadsToTheNextBlockOrLeavesWholeBlocksUnlessForced) {
  const std::vector<TPadCase> cases{
      {8, false, 8}, {8, true, 16}, {13, false, 16}, {13, true, 16},  {0, false, 0},
      {0, true, 8},  {7, false, 8}, {2, true, 8},    {32, false, 32}, {263, true, 264},
  };
  for (const auto& c : cases) {
    TBytes buffer(272, 0xAA);
    const std::size_t padded = PadData(buffer, c.Length, c.Force);
    EXPECT_EQ(padded, c.Padded) << c.Length << " " << c.Force;
    // The data stays; byte L is 0x80 and every byte after it is zero.
    for (std::size_t i = 0; i < c.Length; ++i) ASSERT_EQ(buffer[i], 0xAA);
    EXPECT_EQ(buffer[c.Length], 0x80);
    for (std::size_t i = c.Length + 1; i < buffer.size(); ++i) ASSERT_EQ(buffer[i], 0x00) << i;
  }
}

TEST(PadData, ForcedWholeBlockGetsEightPaddingBytes) {
  TBytes buffer = Concat({Hex("0102030405060708"), TBytes(8, 0xEE)});
  EXPECT_EQ(PadData(buffer, 8, true), 16u);
  EXPECT_EQ(ToHex(buffer), "01020304050607088000000000000000");
}

TEST(UnpadData, DropsTrailingZerosAndTheMarkerOnly) {
  const std::vector<std::pair<std::string, std::size_t>> cases{
      {"4142434445800000", 5},  // ends in 80 00 00: the length before the 80
      {"4142434445464780", 7},
      {"4142434445464741", 8},  // ends in 41: nothing removed
      {"4142434445464100", 8},  // ends in 41 00: nothing removed
      {"0000000000000000", 8},  // all zeros keep their length
      {"8000000000000000", 0},
      {"", 0},
      {"41424344454647488000000000000000", 8},
  };
  for (const auto& [hex, length] : cases) EXPECT_EQ(UnpadData(Hex(hex)), length) << hex;
}

}  // namespace
