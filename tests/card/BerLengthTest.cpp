#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "card/BerLength.h"
#include "support/Hex.h"

namespace {

struct TBerLengthCase {
  std::string Bytes;
  std::optional<TBerLength> Expected;  // none: the form is refused
};

TEST(ParseBerLength, ReadsTheShortAndBothLongFormsAndRefusesTheRest) {
  const std::vector<TBerLengthCase> cases{
      {"00", TBerLength{0, 1}},
      {"7F", TBerLength{0x7F, 1}},   // short form
      {"05FFFF", TBerLength{5, 1}},  // what follows is not read
      {"8180", TBerLength{0x80, 2}},
      {"81FF", TBerLength{0xFF, 2}},  // one length byte
      {"8105", TBerLength{5, 2}},
      {"82007F", TBerLength{0x7F, 3}},  // longer than needed: read as is
      {"820100", TBerLength{0x100, 3}},
      {"82FFFF", TBerLength{0xFFFF, 3}},    // two length bytes
      {"82123401", TBerLength{0x1234, 3}},  // a third byte is the value's
      {"80", std::nullopt},
      {"8000", std::nullopt},          // indefinite form
      {"83000001", TBerLength{1, 4}},  // three length bytes, seen on EF.SOD
      {"84000000FF", std::nullopt},    // four length bytes
      {"FF", std::nullopt},            // reserved
      {"", std::nullopt},
      {"81", std::nullopt},  // cut off
      {"82", std::nullopt},
      {"8201", std::nullopt},
  };
  for (const auto& [bytes, expected] : cases) {
    const std::vector<std::uint8_t> encoded = Hex(bytes);
    const std::optional<TBerLength> length = ParseBerLength(encoded);
    ASSERT_EQ(length.has_value(), expected.has_value()) << bytes;
    if (expected) {
      EXPECT_EQ(length->Value, expected->Value) << bytes;
      EXPECT_EQ(length->FieldSize, expected->FieldSize) << bytes;
    }
  }
}

}  // namespace
