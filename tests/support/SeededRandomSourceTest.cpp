// The seeded random source's three kinds of bytes.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>
#include <vector>

#include "support/Hex.h"
#include "support/SeededRandomSource.h"

namespace {

TEST(SeededRandomSource, StreamIsTheLowByteOfMt19937) {
  // The 10000th output of a default-seeded std::mt19937 is 4123659995 (0xF5CA0EDB), as the C++ standard says.
  TSeededRandomSource random(std::mt19937::default_seed);
  std::vector<std::uint8_t> bytes(10000);
  random.Fill(bytes);
  EXPECT_EQ(bytes.back(), 0xDB);

  // Split into any fills, the same stream.
  std::mt19937 reference(9303);
  TSeededRandomSource split(9303);
  std::array<std::uint8_t, 3> first{};
  std::array<std::uint8_t, 5> second{};
  split.Fill(first);
  split.Fill(second);
  for (const std::uint8_t byte : first) EXPECT_EQ(byte, static_cast<std::uint8_t>(reference()));
  for (const std::uint8_t byte : second) EXPECT_EQ(byte, static_cast<std::uint8_t>(reference()));
  ASSERT_EQ(split.Filled.size(), 2u);
  EXPECT_EQ(split.Filled[1], TBytes(second.begin(), second.end()));
  EXPECT_EQ(split.Remaining(), 0u);
}

TEST(SeededRandomSource, GivenBytesOnceThenUsedUp) {
  TSeededRandomSource random(Hex("0102030405"));
  int usedUp = 0;
  random.UsedUp = [&usedUp] { ++usedUp; };
  std::array<std::uint8_t, 3> bytes{};
  random.Fill(bytes);
  EXPECT_EQ(ToHex(bytes), "010203");
  EXPECT_EQ(random.Remaining(), 2u);
  EXPECT_EQ(usedUp, 0);
  random.Fill(bytes);
  EXPECT_EQ(ToHex(bytes), "040500");
  EXPECT_EQ(random.Remaining(), 0u);
  EXPECT_EQ(usedUp, 1);
}

TEST(SeededRandomSource, EachFillFromItsDrawInTurn) {
  TSeededRandomSource random = TSeededRandomSource::EachFillFrom({Hex("AABBCC"), Hex("11")});
  int usedUp = 0;
  random.UsedUp = [&usedUp] { ++usedUp; };
  struct TCase {
    std::size_t Size;
    const char* Bytes;
    int UsedUp;
  };
  const std::vector<TCase> cases{{2, "AABB", 0}, {1, "11", 0}, {3, "AABBCC", 0}, {2, "1100", 1}, {1, "AA", 1}};
  for (const TCase& c : cases) {
    std::vector<std::uint8_t> bytes(c.Size);
    random.Fill(bytes);
    EXPECT_EQ(ToHex(bytes), c.Bytes);
    EXPECT_EQ(usedUp, c.UsedUp);
  }
  random.Recording = false;
  std::array<std::uint8_t, 1> more{};
  random.Fill(more);
  EXPECT_EQ(random.Filled.size(), cases.size());
}

}  // namespace
