// What the card session learns of extended length at the start of a reading:
// the reader's word first, then the ATR's card capabilities, and only when
// those say nothing (and the reader has extended length) EF.ATR/INFO's
// DO'7F66'; the combined limits, and the EF.ATR/INFO table of its own.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "card/AtrInfo.h"
#include "card/CardSession.h"
#include "card/LengthLimitsLearning.h"
#include "reader/ApduExchange.h"
#include "support/FakeCard.h"
#include "support/Hex.h"

namespace {

struct TInfoCase {
  const char* Name;
  const char* Content;
  std::optional<std::size_t> Command, Answer;  // data bytes; nothing when none is taken
};

const TInfoCase kInfos[] = {
    {"7F66 with two integers", "7F6608020201F5020201F7", 0x1F5 - 9, 0x1F7 - 2},
    {"after another object, padded",
     "4703000000"
     "7F660802020FFF02020FFF"
     "0000",
     0xFFF - 9, 0xFFF - 2},
    {"65544 and 65538 bytes in three", "7F660A02030100080203010002", 65535, 65536},
    {"no 7F66", "47030000009000", std::nullopt, std::nullopt},
    {"one integer only", "7F6604020201F5", std::nullopt, std::nullopt},
    {"an integer of five bytes", "7F660B02050100000000020201F7", std::nullopt, std::nullopt},
    {"fewer bytes than a header", "7F66060201080201FF", std::nullopt, std::nullopt},
    {"cut short", "7F6608020201F50202", std::nullopt, std::nullopt},
};

TEST(AtrInfo, ExtendedLengthInformation) {
  for (const TInfoCase& c : kInfos) {
    const std::optional<TChipApduLimits> limits = ExtendedLengthInfo(Hex(c.Content));
    ASSERT_EQ(limits.has_value(), c.Command.has_value()) << c.Name;
    if (!limits) continue;
    EXPECT_EQ(limits->MaxCommandData, *c.Command) << c.Name;
    EXPECT_EQ(limits->MaxAnswerData, *c.Answer) << c.Name;
  }
}

const std::string kTypeB = "3B888001000000000081710079";  // says nothing
const std::string kExtended = "3B858001807380014036";     // card capabilities: extended
const std::string kShort = "3B8580018073800180F6";        // card capabilities: chaining only
const std::string kSelectAtrInfo = "00A4000C022F01";
const std::string kReadAtrInfo = "00B0000000";

struct TLearnCase {
  const char* Name;
  std::uint32_t ReaderMaxData;
  std::string Atr;
  std::vector<TAnswer> Script;  // what EF.ATR/INFO's SELECT and READ BINARY are answered
  std::vector<std::string> Commands;
  bool Extended;
  std::string ShortOnly;
};

const TLearnCase kLearnCases[] = {
    {"reader of short APDUs: nothing asked of the chip",
     0,
     kExtended,
     {},
     {},
     false,
     "the reader has short APDUs only"},
    {"both from the reader and the ATR", 65536, kExtended, {}, {}, true, ""},
    {"the ATR says short: EF.ATR/INFO not read", 65536, kShort, {}, {}, false, "the chip has short APDUs only"},
    {"the ATR says nothing, EF.ATR/INFO does",
     65536,
     kTypeB,
     {{Hex("9000"), kScardSuccess, Hex(kSelectAtrInfo)},
      {Hex("7F6608020201F5020201F7"
           "9000"),
       kScardSuccess, Hex(kReadAtrInfo)}},
     {kSelectAtrInfo, kReadAtrInfo},
     true,
     ""},
    {"the ATR says nothing, no EF.ATR/INFO",
     65536,
     kTypeB,
     {{Hex("6A82"), kScardSuccess, Hex(kSelectAtrInfo)}},
     {kSelectAtrInfo},
     false,
     "the chip has short APDUs only"},
    {"EF.ATR/INFO without extended length information",
     65536,
     kTypeB,
     {{Hex("9000"), kScardSuccess, Hex(kSelectAtrInfo)}, {Hex("470300000090009000"), kScardSuccess, Hex(kReadAtrInfo)}},
     {kSelectAtrInfo, kReadAtrInfo},
     false,
     "the chip has short APDUs only"},
};

TEST(LengthLimits, LearntAtTheStartOfAReading) {
  for (const TLearnCase& c : kLearnCases) {
    ResetReaderLink();
    TFakeCardApi card;
    card.MaxApduDataSize = c.ReaderMaxData;
    card.Atrs[ReaderLink().ReaderName] = Hex(c.Atr);
    card.Script = c.Script;
    tMRTD_CTX record{};
    TCardSession session(record);
    LearnLengthLimits(session);
    std::vector<std::string> sent;
    for (const TBytes& command : card.Commands) sent.push_back(ToHex(command));
    EXPECT_EQ(sent, c.Commands) << c.Name;
    EXPECT_EQ(card.Mismatches, 0u) << c.Name;
    EXPECT_EQ(session.Lengths().Extended(), c.Extended) << c.Name;
    EXPECT_EQ(session.Lengths().ShortOnly(), c.ShortOnly) << c.Name;
  }
  ResetReaderLink();
}

TEST(LengthLimits, CarriesWithinBothSidesLimits) {
  TLengthLimits limits{.ReaderMaxData = 1024, .ChipMaxCommandData = 492, .ChipMaxAnswerData = 501};
  EXPECT_TRUE(limits.Carries(255, 256)) << "short ones always";
  EXPECT_TRUE(limits.Carries(492, 501));
  EXPECT_FALSE(limits.Carries(493, 10));
  EXPECT_FALSE(limits.Carries(10, 502));
  limits.ReaderMaxData = 300;
  EXPECT_FALSE(limits.Carries(10, 301)) << "the reader's limit counts too";
  limits.ReaderMaxData = 0;
  EXPECT_FALSE(limits.Carries(256, 0));
  EXPECT_TRUE(TLengthLimits{}.Carries(255, 256));
  EXPECT_FALSE(TLengthLimits{}.Carries(0, 257));
}

}  // namespace
