#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "LdsBytes.h"
#include "document/DG11.h"

namespace {

const TBytes kTagList = Tlv({0x5C}, {0x5F, 0x0E, 0x5F, 0x11, 0x5F, 0x42});

TBytes DG11(const std::vector<TBytes>& fields) {
  TBytes value = kTagList;
  for (const TBytes& field : fields) value.insert(value.end(), field.begin(), field.end());
  return Tlv({0x6B}, value);
}

TBytes Field(std::uint8_t tag, std::string_view value) { return Tlv({0x5F, tag}, Ascii(value)); }

tDG11File Decode(const TBytes& bytes) {
  TMemoryStream stream = StreamOf(bytes);
  tDG11File dg11;
  DecodeDG11(stream, dg11);
  return dg11;
}

// Every text field of the record, named, for whole-record comparisons.
std::vector<std::pair<std::string, std::string>> Fields(const tDG11File& d) {
  return {{"FullName", d.FullName},
          {"OtherName", d.OtherName},
          {"PersonalNumber", d.PersonalNumber.Str()},
          {"PlaceOfBirth", d.PlaceOfBirth},
          {"Address", d.Address},
          {"Telephone", d.Telephone.Str()},
          {"Profession", d.Profession},
          {"Title", d.Title},
          {"PersonalSummary", d.PersonalSummary},
          {"ProofOfCitizenship", d.ProofOfCitizenship.Str()},
          {"NumberOfVTrDocs", d.NumberOfVTrDocs.Str()},
          {"OtherTraDocNums", d.OtherTraDocNums.Str()},
          {"CustodyInformation", d.CustodyInformation.Str()}};
}

tDG11File Record(std::vector<std::pair<std::string, std::string>> values) {
  tDG11File d;
  for (const auto& [name, value] : values) {
    if (name == "FullName") d.FullName = value;
    if (name == "PersonalNumber") d.PersonalNumber = value;
    if (name == "PlaceOfBirth") d.PlaceOfBirth = value;
    if (name == "Address") d.Address = value;
    if (name == "Telephone") d.Telephone = value;
    if (name == "Profession") d.Profession = value;
    if (name == "Title") d.Title = value;
    if (name == "PersonalSummary") d.PersonalSummary = value;
  }
  return d;
}

TEST(DecodeDG11, FieldsFoundByTheScan) {
  struct TCase {
    const char* Name;
    TBytes Stream;
    tDG11File Expected;
  };
  const std::string icaoName = "ERIKSSON<<ANNA<MARIA";
  const std::vector<TCase> cases{
      {"all eight fields",
       DG11({Field(0x0E, icaoName), Field(0x10, "12345678901"), Field(0x11, "ANKARA"), Field(0x42, "CANKAYA"),
             Field(0x12, "+90 312 000"), Field(0x13, "ENGINEER"), Field(0x14, "DR"), Field(0x15, "NONE")}),
       Record({{"FullName", icaoName},
               {"PersonalNumber", "12345678901"},
               {"PlaceOfBirth", "ANKARA"},
               {"Address", "CANKAYA"},
               {"Telephone", "+90 312 000"},
               {"Profession", "ENGINEER"},
               {"Title", "DR"},
               {"PersonalSummary", "NONE"}})},
      {"not a DG11", Concat({{0x61, 0x09}, Field(0x11, "ANKARA")}), {}},
      {"tag list only, naming fields", DG11({}), {}},
      {"zero length", DG11({Field(0x11, ""), Field(0x13, "X")}), Record({{"Profession", "X"}})},
      {"a tag twice: the last value counts", DG11({Field(0x13, "A"), Field(0x13, "B")}), Record({{"Profession", "B"}})},
      {"fields inside unknown fields are found",
       DG11({Tlv({0x5F, 0x0F}, Field(0x13, "PILOT")), Tlv({0xA0}, Concat({{0x02, 0x01, 0x01}, Field(0x11, "IZMIR")}))}),
       Record({{"Profession", "PILOT"}, {"PlaceOfBirth", "IZMIR"}})},
      {"a later 5C is data", DG11({{0x5C, 0x03}, Field(0x13, "X")}), Record({{"Profession", "X"}})},
      {"Turkish letters and malformed UTF-8",
       DG11({Field(0x11, "\xC4\xB0ZM\xC4\xB0R"), Field(0x42, "\xC5\x9E\xC4\xB0\xC5\x9EL\xC4\xB0 \xFF\xC3"),
             Field(0x10, "\xC3\x87\xC4\x9E\xD0\x96"), Field(0x12, "\xE2\x82\xAC\xC4")}),
       Record({{"PlaceOfBirth", "\xC4\xB0ZM\xC4\xB0R"},
               {"Address", "\xC5\x9E\xC4\xB0\xC5\x9EL\xC4\xB0 \xEF\xBF\xBD\xEF\xBF\xBD"},
               {"PersonalNumber", "\xC7\xD0?"},
               {"Telephone", "\x80?"}})},
  };
  for (const TCase& c : cases) EXPECT_EQ(Fields(Decode(c.Stream)), Fields(c.Expected)) << c.Name;
}

TEST(DecodeDG11, LongFormLengths) {
  const std::string address(160, 'A');
  const std::string summary(300, 'S');
  const TBytes dg11 = DG11({Field(0x42, address), Field(0x15, summary), Field(0x11, "BURSA")});
  ASSERT_EQ((TBytes{dg11[0], dg11[1]}), (TBytes{0x6B, 0x82}));
  const tDG11File decoded = Decode(dg11);
  EXPECT_EQ(decoded.Address, address);
  EXPECT_EQ(decoded.PersonalSummary, summary);
  EXPECT_EQ(decoded.PlaceOfBirth, "BURSA");

  // A tag list in the long form is skipped whole, the field tags it names included.
  TBytes tags;
  for (int i = 0; i < 70; ++i) tags.insert(tags.end(), {0x5F, 0x13});
  const tDG11File listed = Decode(Tlv({0x6B}, Concat({Tlv({0x5C}, tags), Field(0x11, "ORDU")})));
  EXPECT_EQ(Fields(listed), Fields(Record({{"PlaceOfBirth", "ORDU"}})));
}

TEST(DecodeDG11, ShortFieldsKeep100BytesOfTheCodePage) {
  std::string turkishS;
  for (int i = 0; i < 150; ++i) turkishS += "\xC5\x9E";  // U+015E, one byte (0xDE) in the code page
  const tDG11File decoded = Decode(DG11({Field(0x10, std::string(120, '7')), Field(0x12, turkishS)}));
  EXPECT_EQ(decoded.PersonalNumber, std::string(100, '7'));
  EXPECT_EQ(decoded.Telephone, std::string(100, '\xDE'));

  const tDG11File fits = Decode(DG11({Field(0x12, turkishS.substr(0, 120))}));
  EXPECT_EQ(fits.Telephone, std::string(60, '\xDE'));
}

TEST(DecodeDG11, ScanStaysWithinTheObject) {
  const TBytes dg11 = DG11({Field(0x11, "RIZE")});
  const TBytes stale = Concat({Field(0x13, "OLD"), Field(0x11, "OLDPLACE")});
  EXPECT_EQ(Fields(Decode(Concat({dg11, stale}))), Fields(Record({{"PlaceOfBirth", "RIZE"}})));

  // An object length that claims more than the stream holds: the scan ends with the stream.
  TBytes truncated = dg11;
  truncated[1] = 0x7F;
  EXPECT_EQ(Fields(Decode(truncated)), Fields(Record({{"PlaceOfBirth", "RIZE"}})));

  // Without a readable length the scan runs to the end of the stream.
  TBytes indefinite = Concat({{0x6B, 0x80}, kTagList, Field(0x11, "RIZE"), stale});
  EXPECT_EQ(Fields(Decode(indefinite)), Fields(Record({{"PlaceOfBirth", "OLDPLACE"}, {"Profession", "OLD"}})));
}

TEST(DecodeDG11, ValuesAreCutAtTheObjectEnd) {
  // The stream is reused per data group: a DG1 read before stays behind a shorter DG11 written over it.
  const TBytes dg1 = Tlv({0x61}, Tlv({0x5F, 0x1F}, Ascii("P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<"
                                                         "L898902C36UTO7408122F1204159ZE184226B<<<<<10")));
  const auto decodeOverDG1 = [&dg1](const TBytes& dg11) {
    TMemoryStream stream = StreamOf(dg1);
    stream.Write(dg11);
    tDG11File decoded;
    DecodeDG11(stream, decoded);
    return decoded;
  };
  const TBytes rize = Field(0x11, "RIZE");
  struct TCase {
    const char* Name;
    TBytes LastField;  // its length runs past the object
    tDG11File Expected;
  };
  const std::vector<TCase> cases{
      {"short-form length", Concat({{0x5F, 0x13, 0x20}, Ascii("PILOT")}),
       Record({{"PlaceOfBirth", "RIZE"}, {"Profession", "PILOT"}})},
      {"long-form length", Concat({{0x5F, 0x13, 0x81, 0x30}, Ascii("PILOT")}),
       Record({{"PlaceOfBirth", "RIZE"}, {"Profession", "PILOT"}})},
      {"length behind the object: nothing of the value inside", {0x5F, 0x13}, Record({{"PlaceOfBirth", "RIZE"}})},
  };
  for (const TCase& c : cases) {
    const TBytes dg11 = Tlv({0x6B}, Concat({kTagList, rize, c.LastField}));
    ASSERT_LT(dg11.size() + 0x30, dg1.size()) << c.Name;
    EXPECT_EQ(Fields(decodeOverDG1(dg11)), Fields(c.Expected)) << c.Name;
  }

  // Without a readable object length the value still runs on into the stream's later bytes.
  const TBytes indefinite = Concat({{0x6B, 0x80}, kTagList, rize, {0x5F, 0x13, 0x08}, Ascii("PILOT")});
  const TBytes stale(dg1.begin() + indefinite.size(), dg1.begin() + indefinite.size() + 3);
  EXPECT_EQ(decodeOverDG1(indefinite).Profession, "PILOT" + std::string(stale.begin(), stale.end()));
}

TEST(DecodeDG11, ObjectLengthIsNotTakenForATag) {
  // A value of 0x5C bytes: the length byte 5C followed by the tag list's 5C.
  const TBytes value = Concat({kTagList, Field(0x11, std::string(0x5C - kTagList.size() - 3, 'K'))});
  ASSERT_EQ(value.size(), 0x5Cu);
  const tDG11File decoded = Decode(Tlv({0x6B}, value));
  EXPECT_EQ(decoded.PlaceOfBirth, std::string(0x5C - kTagList.size() - 3, 'K'));
}

TEST(DecodeDG11, ValuesPastTheStreamEndRaise) {
  const std::vector<TBytes> streams{
      {},
      Concat({{0x6B, 0x80}, Field(0x11, "ANKARA"), {0x5F, 0x13, 0x09, 'A'}}),
      Concat({{0x6B, 0x07}, {0x5F, 0x0E, 0x7F, 'A', 'B', 'C', 'D'}}),
      Concat({{0x6B, 0x04}, {0x5F, 0x0E, 0x82, 0x01}}),
  };
  for (const TBytes& bytes : streams) {
    TMemoryStream stream = StreamOf(bytes);
    tDG11File dg11;
    EXPECT_THROW(DecodeDG11(stream, dg11), EReadError) << bytes.size() << " bytes";
  }
}

TEST(DecodeDG11, ClearsTheRecordFirst) {
  tDG11File dg11 = Record({{"FullName", "OLD"}, {"Telephone", "123"}});
  dg11.DateOfBirth = 12345;
  TMemoryStream stream = StreamOf({0x61, 0x00});
  DecodeDG11(stream, dg11);
  EXPECT_EQ(Fields(dg11), Fields(tDG11File{}));
  EXPECT_EQ(dg11.DateOfBirth, 0);
}

}  // namespace
