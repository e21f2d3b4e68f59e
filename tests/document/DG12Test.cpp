#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "LdsBytes.h"
#include "document/DG12.h"
#include "document/DateText.h"
#include "document/FullName.h"

namespace {

TBytes Field(std::uint8_t tag, std::string_view value) { return Tlv({0x5F, tag}, Ascii(value)); }

TBytes DG12(const std::vector<TBytes>& objects) {
  TBytes value = Tlv({0x5C}, {0x5F, 0x19, 0x5F, 0x26});
  for (const TBytes& object : objects) value.insert(value.end(), object.begin(), object.end());
  return Tlv({0x6C}, value);
}

TEST(DecodeDG12, TakesEveryKnownValue) {
  const TBytes otherPersons =
      Tlv({0xA0}, Concat({Tlv({0x02}, {0x02}), Field(0x1A, "ERIKSSON<<EMMA"), Field(0x1A, "ERIKSSON<<OLOF")}));
  const std::optional<tDG12File> dg12 = DecodeDG12(
      DG12({Field(0x19, "\xC4\xB0STANBUL"), Field(0x26, "19890624"), otherPersons, Field(0x1B, "YOK"),
            Field(0x1C, "VERG\xC4\xB0"), Tlv({0x5F, 0x1D}, TBytes(300, 0xFF)), Tlv({0x5F, 0x1E}, TBytes(5, 0xFF)),
            Field(0x55, "19890624101500"), Field(0x56, "PS-1"), Field(0x99, "unknown tag, skipped")}));
  ASSERT_TRUE(dg12.has_value());
  EXPECT_EQ(dg12->IssuingAuthority, "\xC4\xB0STANBUL");
  EXPECT_EQ(dg12->DateOfIssue, "19890624");
  EXPECT_EQ(dg12->OtherPersons, (std::vector<std::string>{"ERIKSSON<<EMMA", "ERIKSSON<<OLOF"}));
  EXPECT_EQ(dg12->Endorsements, "YOK");
  EXPECT_EQ(dg12->TaxExitRequirements, "VERG\xC4\xB0");
  EXPECT_EQ(dg12->FrontImageSize, 300u) << "a two-byte length (82 01 2C)";
  EXPECT_EQ(dg12->RearImageSize, 5u);
  EXPECT_EQ(dg12->PersonalizationTime, "19890624101500");
  EXPECT_EQ(dg12->PersonalizationSerial, "PS-1");
}

TEST(DecodeDG12, StaysInsideTheObject) {
  struct TCase {
    std::string Name;
    TBytes Bytes;
    std::optional<std::string> Authority;
    std::optional<std::string> Date;
  };
  // DG12 of 14 bytes written over the start of an older, longer data group.
  const TBytes shortDG12 = Tlv({0x6C}, Concat({Field(0x19, "ANKARA"), Field(0x26, "2001")}));
  TBytes stale = Concat({shortDG12, Ascii("0101STALE DATA OF DG1")});
  // The date's length says 8 but the object ends after 4 of its bytes.
  TBytes overrun = shortDG12;
  overrun[overrun.size() - 5] = 0x08;
  const TBytes overrunThenStale = Concat({overrun, Ascii("9999")});
  const std::vector<TCase> cases{
      {"stale bytes behind the object", stale, "ANKARA", "2001"},
      {"value running past the object is cut", overrunThenStale, "ANKARA", "2001"},
      {"object longer than the bytes", Concat({TBytes{0x6C, 0x40}, Field(0x19, "ANKARA")}), "ANKARA", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::optional<tDG12File> dg12 = DecodeDG12(c.Bytes);
    ASSERT_TRUE(dg12.has_value());
    EXPECT_EQ(dg12->IssuingAuthority, c.Authority);
    EXPECT_EQ(dg12->DateOfIssue, c.Date);
  }
}

TEST(DecodeDG12, NothingForAnotherObject) {
  for (const TBytes& bytes : {TBytes{}, Tlv({0x6B}, Field(0x19, "X")), TBytes{0x6C, 0x84, 0x00}}) {
    EXPECT_FALSE(DecodeDG12(bytes).has_value());
  }
}

TEST(SplitFullName, PrimaryAndSecondaryIdentifiers) {
  const std::vector<std::tuple<std::string, std::string, std::string>> cases{
      {"ERIKSSON<<ANNA<MARIA", "ERIKSSON", "ANNA MARIA"},
      {"\xC3\x96ZT\xC3\x9CRK<<AY\xC5\x9E"
       "E<<<",
       "\xC3\x96ZT\xC3\x9CRK",
       "AY\xC5\x9E"
       "E"},
      {"VAN<DER<BERG<<JAN", "VAN DER BERG", "JAN"},
      {"MADONNA", "MADONNA", ""},
      {"<<JAN", "", "JAN"},
      {"", "", ""},
  };
  for (const auto& [full, primary, secondary] : cases) {
    const TNameParts parts = SplitFullName(full);
    EXPECT_EQ(parts.Primary, primary) << full;
    EXPECT_EQ(parts.Secondary, secondary) << full;
  }
}

// The century of a two-digit year of expiry: the typed date's when its six
// digits are the MRZ's, else 20YY unless that lies more than 50 years ahead.
TEST(DateText, ExpiryTakesTheTypedCenturyOrTheNearerOne) {
  struct TCase {
    int Yy;
    TCalendarDate Typed;
    int Expected;
  };
  for (const TCase& c : {TCase{94, {1994, 6, 23}, 1994}, TCase{94, {}, 1994}, TCase{94, {2094, 6, 23}, 2094},
                         TCase{30, {}, 2030}, TCase{76, {}, 2076}, TCase{77, {}, 1977}, TCase{30, {1930, 1, 1}, 1930}})
    EXPECT_EQ(ExpiryYear(c.Yy, c.Typed, 2026), c.Expected) << c.Yy << " typed " << c.Typed.Year;
  // Only the very date typed lends its century.
  EXPECT_EQ(ExpiryDateText("940623", {1994, 6, 23}), ShortDateText({1994, 6, 23}));
  EXPECT_EQ(ExpiryDateText("301231", {1930, 12, 30}), ShortDateText({2030, 12, 31}));
}

TEST(DateText, ExpiryInTheNearerCenturyAndOtherTextStaysAsItIs) {
  EXPECT_EQ(ExpiryDateText("301231"), ShortDateText({2030, 12, 31}));
  EXPECT_EQ(FullDateText("19890624"), ShortDateText({1989, 6, 24}));
  for (const std::string text : {"", "9406", "94O623", "941323", "19891324"}) {
    EXPECT_EQ(text.size() == 8 ? FullDateText(text) : ExpiryDateText(text), text);
  }
}

}  // namespace
