#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "LdsBytes.h"
#include "document/DG1.h"

namespace {

// An MRZ line: the text, then fillers up to the width.
std::string Line(std::string text, std::size_t width) {
  text.resize(width, '<');
  return text;
}

struct TMrzCase {
  const char* Name;
  std::string Mrz;
  std::string DocumentCode, IssuingState, Surname, GivenNames, DocumentNumber, Sex, OptionalData;
};

void ExpectCut(const TMrzCase& c) {
  const tDG1File dg1 = CutMrz(c.Mrz);
  EXPECT_EQ(dg1.DocumentCode, c.DocumentCode) << c.Name;
  EXPECT_EQ(dg1.IssuingState, c.IssuingState) << c.Name;
  EXPECT_EQ(dg1.Surname, c.Surname) << c.Name;
  EXPECT_EQ(dg1.GivenNames, c.GivenNames) << c.Name;
  EXPECT_EQ(dg1.DocumentNumber, c.DocumentNumber) << c.Name;
  EXPECT_EQ(dg1.Sex, c.Sex) << c.Name;
  EXPECT_EQ(dg1.OptionalData, c.OptionalData) << c.Name;
}

const std::string kIcaoTd3Line1 = "P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<";
const std::string kIcaoTd3Line2 = "L898902C36UTO7408122F1204159ZE184226B<<<<<10";

TEST(CutMrz, PassportLayout) {
  const std::vector<TMrzCase> cases{
      {"ICAO specimen", kIcaoTd3Line1 + kIcaoTd3Line2, "P", "UTO", "ERIKSSON", "ANNA MARIA", "L898902C3", "F",
       "ZE184226B"},
      {"two-letter code, two-word surname, short number",
       Line("PMTURYILMAZ<KAYA<<AYSE<NUR", 44) + "U1234567<9TUR8001014M3001017" + Line("12345678901", 14) + "06", "PM",
       "TUR", "YILMAZ<KAYA", "AYSE NUR", "U1234567", "M", "12345678901"},
      {"personal number all fillers", kIcaoTd3Line1 + kIcaoTd3Line2.substr(0, 28) + Line("", 14) + "00", "P", "UTO",
       "ERIKSSON", "ANNA MARIA", "L898902C3", "F", ""},
      {"name field starting with <<", Line("P<UTO<<ANNA", 44) + kIcaoTd3Line2, "P", "UTO", "", "ANNA", "L898902C3", "F",
       "ZE184226B"},
      {"no << in the first line: the search runs into the second",
       "P<UTOABCDEFGHIJ<KLMNOPQRST<UVWXYZABCDEFGHIJK" + kIcaoTd3Line2, "P", "UTO",
       "ABCDEFGHIJ<KLMNOPQRST<UVWXYZABCDEFGHIJK", "", "L898902C3", "F", "ZE184226B"},
      {"no << at all: given names after the first filler", "P<UTOSMITH<JOHN", "P", "UTO", "", "UTOSMITH JOHN", "", "",
       ""},
      {"no filler at all", std::string(50, 'A'), "AA", "AAA", "", std::string(39, 'A'), "AAAAAA", "", ""},
      {"first line only: no sex", kIcaoTd3Line1, "P", "UTO", "ERIKSSON", "ANNA MARIA", "", "", ""},
      {"cut before the sex", kIcaoTd3Line1 + kIcaoTd3Line2.substr(0, 20), "P", "UTO", "ERIKSSON", "ANNA MARIA",
       "L898902C3", "", ""},
      {"odd length", kIcaoTd3Line1 + kIcaoTd3Line2 + "X", "P", "UTO", "ERIKSSON", "ANNA MARIA", "L898902C3", "F",
       "ZE184226B"},
      {"empty", "", "", "", "", "", "", "", ""},
      {"one character: no filler, so the given names start at 1", "P", "P", "", "", "P", "", "", ""},
      {"8-bit letters are cut as bytes", Line("P<TUR\xDD\xDEIK<<\xD0\xDCL", 44) + kIcaoTd3Line2, "P", "TUR",
       "\xDD\xDEIK", "\xD0\xDCL", "L898902C3", "F", "ZE184226B"},
  };
  for (const TMrzCase& c : cases) ExpectCut(c);
}

TEST(CutMrz, CardLayouts) {
  const std::string icaoTd1 =
      "I<UTOD231458907<<<<<<<<<<<<<<<7408122F1204159UTO<<<<<<<<<<<6ERIKSSON<<ANNA<MARIA<<<<<<<<<<";
  const std::string icaoTd2 = "I<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<D231458907UTO7408122F1204159<<<<<<<6";
  const std::string td1Line2 = "8001014M3001017TUR";
  const std::vector<TMrzCase> cases{
      {"TD1 ICAO specimen", icaoTd1, "I", "UTO", "ERIKSSON", "ANNA MARIA", "D23145890", "F", ""},
      {"TD1 personal number on the first line",
       "I<TURA12B345678" + Line("12345678901", 15) + td1Line2 + Line("", 11) + "6" + Line("YILMAZ<KAYA<<AYSE<NUR", 30),
       "I", "TUR", "YILMAZ<KAYA", "AYSE NUR", "A12B34567", "M", "12345678901"},
      {"TD1 optional data of the second line when the first holds none",
       "IDTURA12B345678" + Line("", 15) + td1Line2 + Line("ZE184226B", 11) + "6" + Line("YILMAZ<<AYSE", 30), "ID",
       "TUR", "YILMAZ", "AYSE", "A12B34567", "M", "ZE184226B"},
      {"TD1 optional data filling its 15 places keeps 14",
       "I<TURA12B345678" + std::string("123456789012345") + td1Line2 + Line("", 11) + "6" + Line("YILMAZ<<AYSE", 30),
       "I", "TUR", "YILMAZ", "AYSE", "A12B34567", "M", "12345678901234"},
      {"TD1 names without <<",
       "I<UTOD231458907" + Line("", 15) + td1Line2 + Line("", 11) + "6" + "ABCDEFGHIJKLMNOPQRSTUVWXYZ<ABC", "I", "UTO",
       "ABCDEFGHIJKLMNOPQRSTUVWXYZ<ABC", "", "D23145890", "M", ""},
      {"TD1 names starting with <<",
       "I<UTOD231458907" + Line("", 15) + td1Line2 + Line("", 11) + "6" + Line("<<ANNA", 30), "I", "UTO", "", "ANNA",
       "D23145890", "M", ""},
      {"TD2 ICAO specimen", icaoTd2, "I", "UTO", "ERIKSSON", "ANNA MARIA", "D23145890", "F", ""},
      {"TD2 with optional data and a short number",
       Line("ACTURYILMAZ<KAYA<<AYSE", 36) + "U1234567<9TUR8001014M3001017" + Line("ZE18422", 7) + "6", "AC", "TUR",
       "YILMAZ<KAYA", "AYSE", "U1234567", "M", "ZE18422"},
      {"TD2 names filling the name field", "I<UTO" + std::string(31, 'N') + icaoTd2.substr(36), "I", "UTO",
       std::string(31, 'N'), "", "D23145890", "F", ""},
  };
  for (const TMrzCase& c : cases) {
    ASSERT_TRUE(c.Mrz.size() == 90 || c.Mrz.size() == 72) << c.Name << ": " << c.Mrz.size();
    ExpectCut(c);
  }
}

TEST(CutMrz, LengthsNextToTheCardLayoutsUsePassportPositions) {
  // The TD1 and TD2 specimens one character short are cut where a passport has its fields.
  const std::vector<TMrzCase> cases{
      {"89 characters", "I<UTOD231458907<<<<<<<<<<<<<<<7408122F1204159UTO<<<<<<<<<<<6ERIKSSON<<ANNA<MARIA<<<<<<<<<",
       "I", "UTO", "D231458907", "7408122F120415", "9UTO", "S", "NAMARIA"},
      {"71 characters", "I<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<D231458907UTO7408122F1204159<<<<<<6", "I", "UTO",
       "ERIKSSON", "ANNA MARIA           D2314589", "07UTO7408", "<", ""},
  };
  for (const TMrzCase& c : cases) ExpectCut(c);
}

TEST(ExtractMrz, TakesTheMrzObject) {
  const std::string mrz = kIcaoTd3Line1 + kIcaoTd3Line2;
  struct TCase {
    const char* Name;
    TBytes Stream;
    std::string Mrz;
  };
  const TBytes mrzObject = Tlv({0x5F, 0x1F}, Ascii(mrz));
  const std::vector<TCase> cases{
      {"DG1", Tlv({0x61}, mrzObject), mrz},
      {"stale bytes behind it", Concat({Tlv({0x61}, mrzObject), Ascii("STALE")}), mrz},
      {"empty MRZ", {0x61, 0x03, 0x5F, 0x1F, 0x00}, ""},
      {"another group tag", Tlv({0x6B}, mrzObject), ""},
      {"another inner tag", Tlv({0x61}, Tlv({0x5F, 0x1E}, Ascii(mrz))), ""},
      {"long-form group length moves the inner tag", Concat({{0x61, 0x81, 0x5B}, mrzObject}), ""},
  };
  for (const TCase& c : cases) {
    TMemoryStream stream = StreamOf(c.Stream);
    stream.SetPosition(3);
    std::string out = "previous";
    ExtractMrz(stream, out);
    EXPECT_EQ(out, c.Mrz) << c.Name;
  }
}

TEST(ExtractMrz, RaisesWhenTheStreamEndsEarly) {
  const std::vector<TBytes> streams{
      {},
      {0x61, 0x5B, 0x5F},
      {0x61, 0x5B, 0x5F, 0x1F},
      {0x61, 0x05, 0x5F, 0x1F, 0x03, 'P', '<'},
  };
  for (const TBytes& bytes : streams) {
    TMemoryStream stream = StreamOf(bytes);
    std::string mrz;
    EXPECT_THROW(ExtractMrz(stream, mrz), EReadError) << bytes.size() << " bytes";
  }
}

}  // namespace
