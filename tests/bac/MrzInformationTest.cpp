#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bac/MrzInformation.h"

namespace {

TEST(MrzCheckDigit, PublishedIcaoExamplesAndCorners) {
  const std::vector<std::pair<std::string, char>> cases{
      {"L898902C<", '3'},  // ICAO 9303 worked example: document number
      {"690806", '1'},     // date of birth
      {"940623", '6'},     // date of expiry
      {"D23145890", '7'},  // ICAO 9303 Part 3 TD1 example document number
      {"740812", '2'},
      {"120415", '9'},
      {"ZE184226B<<<<<", '1'},  // ICAO 9303 Part 4 personal number example
      {"", '0'},
      {"l898902c<", MrzCheckDigit("08989020<")},  // lower case counts 0, like '<'
      {"<<<<", '0'},
  };
  for (const auto& [field, digit] : cases) EXPECT_EQ(MrzCheckDigit(field), digit) << field;
}

TEST(MrzCheckDigit, SumWrapsAt16Bits) {
  // 7 'Z' (35) weighted 7,3,1 repeatedly: 35*11 = 385 per three characters.
  // 600 characters sum to 77000, which wraps to 77000 - 65536 = 11464.
  EXPECT_EQ(MrzCheckDigit(std::string(600, 'Z')), '4');
  EXPECT_EQ(MrzCheckDigit(std::string(510, 'Z')), static_cast<char>('0' + (170 * 385) % 10));
}

TEST(BuildMrzInformation, WorkedExampleAndEdges) {
  EXPECT_EQ(BuildMrzInformation("L898902C<", {1969, 8, 6}, {1994, 6, 23}), "L898902C<369080619406236");
  EXPECT_EQ(BuildMrzInformation("", {2000, 1, 1}, {2100, 12, 31}), "000010180012315");
  // Short and long numbers are used as typed, without fillers or cutting.
  EXPECT_EQ(BuildMrzInformation("AB12", {1985, 5, 12}, {2030, 10, 3}).substr(0, 5),
            "AB12" + std::string(1, MrzCheckDigit("AB12")));
  EXPECT_EQ(BuildMrzInformation("ABCDEFGHIJK", {1985, 5, 12}, {2030, 10, 3}).size(), 11u + 15u);
}

}  // namespace
