#include <gtest/gtest.h>

#include <vector>

#include "crypto/ByteOperations.h"
#include "support/FakeCard.h"

namespace {

TEST(IncrementCounter, AddsOneBigEndianWithCarry) {
  const std::vector<std::pair<std::string, std::string>> cases{
      {"00000000000000FF", "0000000000000100"}, {"0000000000000000", "0000000000000001"},
      {"887022120C06C226", "887022120C06C227"}, {"00FFFFFFFFFFFFFF", "0100000000000000"},
      {"FFFFFFFFFFFFFFFF", "0000000000000000"}, {"12FF", "1300"},
  };
  for (const auto& [before, after] : cases) {
    TBytes counter = Hex(before);
    IncrementCounter(counter);
    EXPECT_EQ(ToHex(counter), after) << before;
  }
}

TEST(XorBytes, XorsEachIndexOfTheSource) {
  TBytes block = Hex("0011223344556677");
  XorBytes(block, Hex("FF00FF00FF00FF00"));
  EXPECT_EQ(ToHex(block), "FF11DD33BB559977");

  // The session seed of the worked example: K.ICC xor K.IFD.
  TBytes key = Hex("0B4F80323EB3191CB04970CB4052790B");
  XorBytes(key, Hex("0B795240CB7049B01C19B33E32804F0B"));
  EXPECT_EQ(ToHex(key), "0036D272F5C350ACAC50C3F572D23600");
}

TEST(SameBytes, NeedsEqualLengthAndBytes) {
  EXPECT_TRUE(SameBytes(Hex("0102030405060708"), Hex("0102030405060708")));
  EXPECT_FALSE(SameBytes(Hex("0102030405060708"), Hex("0102030405060709")));
  EXPECT_FALSE(SameBytes(Hex("01020304050607"), Hex("0102030405060708")));
  EXPECT_TRUE(SameBytes(TBytes{}, TBytes{}));
}

TEST(AllZero, TellsTheAbsentCounter) {
  EXPECT_TRUE(AllZero(Hex("0000000000000000")));
  EXPECT_FALSE(AllZero(Hex("0000000000000100")));
}

}  // namespace
