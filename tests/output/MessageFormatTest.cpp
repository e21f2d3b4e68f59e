#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "output/MessageFormat.h"

namespace {

TEST(MessageFormat, HexHasUpperCaseDigitsWithoutLeadingZeros) {
  const std::vector<std::pair<std::uint32_t, std::string>> cases{{0x6A82, "6A82"}, {0x9000, "9000"}, {0xFFFF, "FFFF"},
                                                                 {0x0090, "90"},   {0, "0"},         {0xabc, "ABC"}};
  for (const auto& [value, text] : cases) EXPECT_EQ(HexText(value), text) << value;
}

TEST(MessageFormat, Hex4IsRightAlignedInFourColumnsFilledWithBlanks) {
  const std::vector<std::pair<std::uint32_t, std::string>> cases{
      {0x6A82, "6A82"}, {0x0090, "  90"}, {0x0A, "   A"}, {0, "   0"}, {0x6982, "6982"}, {0x12345, "12345"}};
  for (const auto& [value, text] : cases) EXPECT_EQ(HexText4(value), text) << value;
}

TEST(MessageFormat, FillsTemplatesByteForByte) {
  EXPECT_EQ(FormatMessage("MrtdSelectDG : Bad status word %x", {}, 0x6A82), "MrtdSelectDG : Bad status word 6A82");
  EXPECT_EQ(FormatMessage("MrtdBacSelectDG(%d) : Bad status word %04X", {11}, 0x0090),
            "MrtdBacSelectDG(11) : Bad status word   90");
  EXPECT_EQ(FormatMessage("MrtdIccGetChallenge : Card returned %d bytes instead of %d", {34, 42}),
            "MrtdIccGetChallenge : Card returned 34 bytes instead of 42");
  EXPECT_EQ(FormatMessage("recv_len <>4 :  %d", {-1}), "recv_len <>4 :  -1");
  // A template without placeholders ignores the values; a "%d" without a value stays.
  EXPECT_EQ(FormatMessage("MrtdBacSelectDG connection error.", {2}, 0x9000), "MrtdBacSelectDG connection error.");
  EXPECT_EQ(FormatMessage("a %d b %d", {7}), "a 7 b %d");
  EXPECT_EQ(FormatMessage("100% done %", {}), "100% done %");
}

}  // namespace
