#include <gtest/gtest.h>

#include <vector>

#include "card/FileReading.h"
#include "support/FakeCard.h"

namespace {

TEST(DecodeFileLength, TotalOfTagLengthBytesAndValue) {
  const std::vector<std::pair<std::string, std::uint16_t>> cases{
      {"60165F01", 24},     // EF.COM, short form
      {"615B5F1F", 93},     // DG1
      {"6B81A05F", 163},    // one length byte after 0x81
      {"75823A5C", 14944},  // two length bytes after 0x82
      {"5F1F0A41", 13},     // two-byte tag
      {"7F6182012C", 305},  // two-byte tag with 0x82 reads the fifth byte
      {"60145F01", 22},     // the worked example's EF.COM
      {"6000", 2},
      {"0000", 0},  // no object
      {"FF16", 0},
      {"6080", 0},          // indefinite length form
      {"60830001", 0},      // three length bytes, the last cut off
      {"7783000100", 261},  // EF.SOD with three length bytes
      {"77803003020101"
       "0000",
       0},  // indefinite: no length from a header
      {"6084", 0},
      {"7582FFFE", 0},      // 65534 + 4 = 65538 does not fit 16 bits
      {"7582FFFB", 65535},  // the largest that does
  };
  for (const auto& [start, total] : cases) EXPECT_EQ(DecodeFileLength(Hex(start)), total) << start;
}

TEST(DecodeFileLength, NeverReadsBeyondTheBytesGiven) {
  const std::vector<std::string> cut{"", "60", "6081", "7582", "758201", "5F1F", "5F1F82", "5F1F8201"};
  for (const auto& start : cut) EXPECT_EQ(DecodeFileLength(Hex(start)), 0) << start;
}

// EF.SOD of indefinite length or with three length bytes, as it comes
// piece by piece: its end is known once enough of it is there.
TEST(MeasureBerObject, KnowsTheEndOnceEnoughHasCome) {
  struct TCase {
    std::string Start;
    decltype(TObjectLength::Known) State;
    std::size_t Total;  // when known
  };
  const std::vector<TCase> cases{
      {"7780"
       "3003020101"
       "0000",
       TObjectLength::Known, 9},
      {"7780"
       "7F618003020101"
       "0000"
       "0000",
       TObjectLength::Known, 13},  // nested, two-byte tag
      {"7780"
       "3003020101",
       TObjectLength::NeedMore, 0},            // its end-of-contents not yet come
      {"778300", TObjectLength::NeedMore, 0},  // length bytes cut off
      {"7783000100", TObjectLength::Known, 261},
      {"7784000000FF", TObjectLength::Malformed, 0},  // four length bytes
      {"00", TObjectLength::Malformed, 0},
  };
  for (const TCase& c : cases) {
    const TObjectLength length = MeasureBerObject(Hex(c.Start));
    EXPECT_EQ(length.State, c.State) << c.Start;
    if (c.State == TObjectLength::Known) EXPECT_EQ(length.Total, c.Total) << c.Start;
  }
  // A child longer than what has come keeps the measure waiting; given whole, it is measured.
  TBytes sod =
      Hex("7780"
          "3082010C");
  sod.resize(sod.size() + 0x10C, 0x01);
  sod.insert(sod.end(), {0x00, 0x00});
  EXPECT_EQ(MeasureBerObject(std::span(sod).first(100)).State, TObjectLength::NeedMore);
  EXPECT_EQ(MeasureBerObject(sod).Total, sod.size());
}

}  // namespace
