#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "document/MrzCheckDigit.h"
#include "document/MrzText.h"

namespace {

using enum TMrzField;

constexpr TCalendarDate kToday{2025, 3, 14};

// The ICAO 9303 specimens of Anna Maria Eriksson.
const std::string kTd3 = "P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<\nL898902C36UTO7408122F1204159ZE184226B<<<<<10\n";
const std::string kTd2 = "I<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<\nD231458907UTO7408122F1204159<<<<<<<6\n";
const std::string kTd1 =
    "I<UTOD231458907<<<<<<<<<<<<<<<\n7408122F1204159UTO<<<<<<<<<<<6\nERIKSSON<<ANNA<MARIA<<<<<<<<<<\n";
// A TD1 whose document number D23145890123 goes on in the optional data, with its check digit 3.
const std::string kTd1Long =
    "I<UTOD23145890<1233<<<<<<<<<<<\n7408122F1204159UTO<<<<<<<<<<<2\nERIKSSON<<ANNA<MARIA<<<<<<<<<<";

// The text with the character at (line, column) replaced.
std::string With(std::string text, std::size_t line, std::size_t column, char c) {
  std::size_t at = 0;
  for (std::size_t i = 0; i < line; ++i) at = text.find('\n', at) + 1;
  text[at + column] = c;
  return text;
}

// A TD3 with the given number and dates, every check digit right.
std::string Td3(const std::string& number, const std::string& birth, const std::string& expiry) {
  std::string line2 = number + MrzCheckDigit(number) + "UTO" + birth + MrzCheckDigit(birth) + "F" + expiry +
                      MrzCheckDigit(expiry) + "<<<<<<<<<<<<<<<";
  line2 += MrzCheckDigit(line2.substr(0, 10) + line2.substr(13, 7) + line2.substr(21, 22));
  return "P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<\n" + line2;
}

struct TReadCase {
  const char* Name;
  std::string Text;
  TMrzFormat Format;
  std::string Number;
  TCalendarDate Birth, Expiry;
};

void ExpectDate(const TCalendarDate& shown, const TCalendarDate& expected, const char* name) {
  EXPECT_EQ(shown.Year, expected.Year) << name;
  EXPECT_EQ(shown.Month, expected.Month) << name;
  EXPECT_EQ(shown.Day, expected.Day) << name;
}

TEST(MrzText, ReadsTheThreeFormatsWithAnyLineEndingsAndBlanks) {
  const std::vector<TReadCase> cases{
      {"TD3", kTd3, TMrzFormat::TD3, "L898902C3", {1974, 8, 12}, {2012, 4, 15}},
      {"TD2", kTd2, TMrzFormat::TD2, "D23145890", {1974, 8, 12}, {2012, 4, 15}},
      {"TD1", kTd1, TMrzFormat::TD1, "D23145890", {1974, 8, 12}, {2012, 4, 15}},
      {"TD1 long number", kTd1Long, TMrzFormat::TD1, "D23145890123", {1974, 8, 12}, {2012, 4, 15}},
      {"number with fillers",
       Td3("L898902C<", "690806", "940623"),
       TMrzFormat::TD3,
       "L898902C<",
       {1969, 8, 6},
       {1994, 6, 23}},
      {"scanner CR LF",
       "P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<\r\nL898902C36UTO7408122F1204159ZE184226B<<<<<10\r\n",
       TMrzFormat::TD3,
       "L898902C3",
       {1974, 8, 12},
       {2012, 4, 15}},
      {"scanner CR",
       "I<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<\rD231458907UTO7408122F1204159<<<<<<<6\r",
       TMrzFormat::TD2,
       "D23145890",
       {1974, 8, 12},
       {2012, 4, 15}},
      {"scanner Tab",
       "I<UTOD231458907<<<<<<<<<<<<<<<\t7408122F1204159UTO<<<<<<<<<<<6\tERIKSSON<<ANNA<MARIA<<<<<<<<<<\t",
       TMrzFormat::TD1,
       "D23145890",
       {1974, 8, 12},
       {2012, 4, 15}},
      {"paste with trailing blanks and blank lines",
       "\n  P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<   \n\nL898902C36UTO7408122F1204159ZE184226B<<<<<10 \t \n\n",
       TMrzFormat::TD3,
       "L898902C3",
       {1974, 8, 12},
       {2012, 4, 15}},
      // Centuries around today, 14 March 2025.
      {"born today", Td3("X12345678", "250314", "300101"), TMrzFormat::TD3, "X12345678", {2025, 3, 14}, {2030, 1, 1}},
      {"born tomorrow a century ago",
       Td3("X12345678", "250315", "300101"),
       TMrzFormat::TD3,
       "X12345678",
       {1925, 3, 15},
       {2030, 1, 1}},
      {"expires fifty years on",
       Td3("X12345678", "800101", "750314"),
       TMrzFormat::TD3,
       "X12345678",
       {1980, 1, 1},
       {2075, 3, 14}},
      {"expired fifty years ago",
       Td3("X12345678", "800101", "750315"),
       TMrzFormat::TD3,
       "X12345678",
       {1980, 1, 1},
       {1975, 3, 15}},
      {"born in a leap year",
       Td3("X12345678", "000229", "300101"),
       TMrzFormat::TD3,
       "X12345678",
       {2000, 2, 29},
       {2030, 1, 1}},
  };
  for (const auto& c : cases) {
    const std::optional<TMrzText> read = ReadMrzText(c.Text, kToday);
    ASSERT_TRUE(read.has_value()) << c.Name;
    EXPECT_FALSE(read->Fault.has_value()) << c.Name;
    EXPECT_EQ(read->Format, c.Format) << c.Name;
    EXPECT_EQ(read->DocumentNumber, c.Number) << c.Name;
    ExpectDate(read->DateOfBirth, c.Birth, c.Name);
    ExpectDate(read->DateOfExpiry, c.Expiry, c.Name);
  }
}

struct TFaultCase {
  const char* Name;
  std::string Text;
  TMrzFault Fault;
  std::string Line;
};

TEST(MrzText, NamesTheFirstFieldWhoseCheckDigitOrDateFails) {
  constexpr TMrzFaultKind kDigit = TMrzFaultKind::CheckDigit;
  const std::vector<TFaultCase> cases{
      {"TD3 number",
       With(kTd3, 1, 9, '7'),
       {DocumentNumber, kDigit},
       "MRZ: check digit of the document number does not match"},
      {"TD3 birth",
       With(kTd3, 1, 19, '3'),
       {DateOfBirth, kDigit},
       "MRZ: check digit of the date of birth does not match"},
      {"TD3 expiry",
       With(kTd3, 1, 27, '0'),
       {DateOfExpiry, kDigit},
       "MRZ: check digit of the date of expiry does not match"},
      {"TD3 composite",
       With(kTd3, 1, 43, '1'),
       {Composite, kDigit},
       "MRZ: check digit of the composite does not match"},
      {"TD3 optional data",
       With(kTd3, 1, 30, 'X'),
       {Composite, kDigit},
       "MRZ: check digit of the composite does not match"},
      {"TD2 number", With(kTd2, 1, 9, '8'), {DocumentNumber, kDigit}, ""},
      {"TD2 birth", With(kTd2, 1, 19, '<'), {DateOfBirth, kDigit}, ""},
      {"TD2 expiry", With(kTd2, 1, 27, '8'), {DateOfExpiry, kDigit}, ""},
      {"TD2 composite", With(kTd2, 1, 35, '5'), {Composite, kDigit}, ""},
      {"TD1 number", With(kTd1, 0, 14, '6'), {DocumentNumber, kDigit}, ""},
      {"TD1 birth", With(kTd1, 1, 6, '1'), {DateOfBirth, kDigit}, ""},
      {"TD1 expiry", With(kTd1, 1, 14, '1'), {DateOfExpiry, kDigit}, ""},
      {"TD1 composite", With(kTd1, 1, 29, '7'), {Composite, kDigit}, ""},
      {"TD1 optional data of line 1", With(kTd1, 0, 20, 'B'), {Composite, kDigit}, ""},
      {"TD1 long number's own digit", With(kTd1Long, 0, 18, '4'), {DocumentNumber, kDigit}, ""},
      // OCR look-alikes stay as they are.
      {"O for 0 in the birth date", With(kTd3, 1, 15, 'O'), {DateOfBirth, kDigit}, ""},
      {"I for 1 in the expiry date", With(kTd3, 1, 21, 'I'), {DateOfExpiry, kDigit}, ""},
      {"O for 0 in the number", With(kTd1, 0, 13, 'O'), {DocumentNumber, kDigit}, ""},
      {"O for 0 as check digit", With(kTd3, 1, 43, 'O'), {Composite, kDigit}, ""},
      {"month 13",
       Td3("X12345678", "741312", "300101"),
       {DateOfBirth, TMrzFaultKind::NotADate},
       "MRZ: the date of birth is not a date"},
      {"30 February", Td3("X12345678", "740812", "300230"), {DateOfExpiry, TMrzFaultKind::NotADate}, ""},
      {"29 February of 2001", Td3("X12345678", "010229", "300101"), {DateOfBirth, TMrzFaultKind::NotADate}, ""},
  };
  for (const auto& c : cases) {
    const std::optional<TMrzText> read = ReadMrzText(c.Text, kToday);
    ASSERT_TRUE(read.has_value()) << c.Name;
    ASSERT_TRUE(read->Fault.has_value()) << c.Name;
    EXPECT_EQ(read->Fault->Field, c.Fault.Field) << c.Name;
    EXPECT_EQ(read->Fault->Kind, c.Fault.Kind) << c.Name;
    EXPECT_EQ(read->DocumentNumber, "") << c.Name;
    if (!c.Line.empty()) {
      EXPECT_EQ(MrzFaultLine(*read->Fault), c.Line) << c.Name;
    }
  }
}

TEST(MrzText, TextThatIsNoWholeMrzIsNotTakenForOne) {
  const std::string td3Line1 = "P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<";
  const std::string td3Line2 = "L898902C36UTO7408122F1204159ZE184226B<<<<<10";
  const std::vector<std::pair<const char*, std::string>> cases{
      {"empty", ""},
      {"a document number", "L898902C<"},
      {"one line", td3Line2},
      {"both lines run together", td3Line1 + td3Line2},
      {"lines of two widths", td3Line1 + "\nD231458907UTO7408122F1204159<<<<<<<6"},
      {"two lines of thirty", "I<UTOD231458907<<<<<<<<<<<<<<<\n7408122F1204159UTO<<<<<<<<<<<6"},
      {"three lines of forty-four", td3Line1 + "\n" + td3Line2 + "\n" + td3Line2},
      {"lower case", "p<utoeriksson<<anna<maria<<<<<<<<<<<<<<<<<<<\n" + td3Line2},
      {"a blank inside a line", "P<UTOERIKSSON<<ANNA MARIA<<<<<<<<<<<<<<<<<<<\n" + td3Line2},
      {"a line one short", td3Line1 + "\n" + td3Line2.substr(1)},
  };
  for (const auto& [name, text] : cases) {
    EXPECT_FALSE(ReadMrzText(text, kToday).has_value()) << name;
    EXPECT_FALSE(MrzLines(text).has_value()) << name;
  }
}

}  // namespace
