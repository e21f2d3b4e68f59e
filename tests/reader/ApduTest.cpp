// Command APDUs written and read back in both forms: short ones as before,
// extended ones (Lc 00 LL LL, Le LL LL) where the data or Le needs them or
// the command asks for them.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "reader/Apdu.h"
#include "support/Hex.h"

namespace {

struct TEncodingCase {
  const char* Name;
  TCommandApdu Command;
  std::string Encoded;
};

const TBytes k256Bytes(256, 0xAB);

const TEncodingCase kEncodings[] = {
    {"case 1", {0x00, 0xA4, 0x00, 0x0C, {}, std::nullopt}, "00A4000C"},
    {"case 2, Le 256 written 00", {0x00, 0xB0, 0x00, 0x00, {}, 256}, "00B0000000"},
    {"case 3", {0x00, 0xA4, 0x02, 0x0C, {0x01, 0x1E}, std::nullopt}, "00A4020C02011E"},
    {"case 4", {0x00, 0x88, 0x00, 0x00, {0x01, 0x02}, 256}, "0088000002010200"},
    {"case 2E asked for", {0x00, 0xB0, 0x00, 0x00, {}, 65536, true}, "00B00000000000"},
    {"case 2E by its Le", {0x00, 0xB0, 0x00, 0x00, {}, 0x0101}, "00B00000000101"},
    {"case 3E asked for", {0x00, 0xA4, 0x02, 0x0C, {0x01, 0x1E}, std::nullopt, true}, "00A4020C000002011E"},
    {"case 4E asked for, Le 65536 written 00 00",
     {0x00, 0x88, 0x00, 0x00, {0x01, 0x02}, 65536, true},
     "00880000000002010200 00"},
    {"case 4E by its Le, which stays as given", {0x00, 0x88, 0x00, 0x00, {0x01}, 300}, "008800000000010101 2C"},
};

std::string WithoutSpaces(std::string text) {
  std::erase(text, ' ');
  return text;
}

TEST(Apdu, EncodesAndParsesBothForms) {
  for (const TEncodingCase& c : kEncodings) {
    EXPECT_EQ(ToHex(c.Command.Encode()), WithoutSpaces(c.Encoded)) << c.Name;
    const std::optional<TCommandApdu> parsed = ParseCommand(Hex(WithoutSpaces(c.Encoded)));
    ASSERT_TRUE(parsed) << c.Name;
    EXPECT_EQ(parsed->Data, c.Command.Data) << c.Name;
    EXPECT_EQ(parsed->Le, c.Command.Le) << c.Name;
    EXPECT_EQ(parsed->Extended(), c.Command.Extended()) << c.Name;
    EXPECT_EQ(parsed->ExtendedLength, c.Command.Extended()) << c.Name << ": an extended command comes back marked";
  }
}

TEST(Apdu, MoreThan255DataBytesGoExtended) {
  const TCommandApdu command{0x10, 0x86, 0x00, 0x00, k256Bytes, 65536};
  const TBytes encoded = command.Encode();
  ASSERT_EQ(encoded.size(), 4u + 3u + 256u + 2u);
  EXPECT_EQ(ToHex(std::span(encoded).first(7)), "10860000000100");
  EXPECT_EQ(ToHex(std::span(encoded).last(2)), "0000");
  const std::optional<TCommandApdu> parsed = ParseCommand(encoded);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(*parsed, (TCommandApdu{0x10, 0x86, 0x00, 0x00, k256Bytes, 65536, true}));
}

TEST(Apdu, LengthsThatDoNotAddUpAreRefused) {
  const char* const malformed[] = {
      "00A4",                  // no full header
      "00A4020C0300",          // short Lc beyond the bytes
      "00A4020C0000",          // 00 and one byte: neither form
      "00A4020C000003011E",    // extended Lc beyond the bytes
      "00A4020C000002011E00",  // extended Le of one byte
  };
  for (const char* bytes : malformed) EXPECT_FALSE(ParseCommand(Hex(bytes))) << bytes;
}

}  // namespace
