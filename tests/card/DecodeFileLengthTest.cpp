#include <gtest/gtest.h>

#include <vector>

#include "card/FileReading.h"
#include "support/FakeCard.h"

namespace {

TEST(DecodeFileLength, TotalOfTagLengthBytesAndValue) {
  const std::vector<std::pair<std::string, std::uint16_t>> cases{
      {"60165F01", 24},                      // EF.COM, short form
      {"615B5F1F", 93},                      // DG1
      {"6B81A05F", 163},                     // one length byte after 0x81
      {"75823A5C", 14944},                   // two length bytes after 0x82
      {"5F1F0A41", 13},                      // two-byte tag
      {"7F6182012C", 305},                   // two-byte tag with 0x82 reads the fifth byte
      {"60145F01", 22},                      // the worked example's EF.COM
      {"6000", 2},         {"0000", 0},      // no object
      {"FF16", 0},         {"6080", 0},      // indefinite length form
      {"60830001", 0},                       // three length bytes: not supported
      {"6084", 0},         {"7582FFFE", 0},  // 65534 + 4 = 65538 does not fit 16 bits
      {"7582FFFB", 65535},                   // the largest that does
  };
  for (const auto& [start, total] : cases) EXPECT_EQ(DecodeFileLength(Hex(start)), total) << start;
}

TEST(DecodeFileLength, NeverReadsBeyondTheBytesGiven) {
  const std::vector<std::string> cut{"", "60", "6081", "7582", "758201", "5F1F", "5F1F82", "5F1F8201"};
  for (const auto& start : cut) EXPECT_EQ(DecodeFileLength(Hex(start)), 0) << start;
}

}  // namespace
