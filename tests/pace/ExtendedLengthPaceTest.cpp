// PACE with the 2048-bit DH groups (parameter ids 1 and 2) against OpenPACE's
// chip side: their 256-byte public keys go in extended GENERAL AUTHENTICATE
// commands and answers where both the reader (its TLV properties) and the
// chip (its ATR) take extended length, and nothing is tried where either
// lacks it: the log names which, and BAC follows.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>

#include "card/CardSession.h"
#include "card/FileReading.h"
#include "card/MemoryStream.h"
#include "reader/ApduExchange.h"
#include "reading/OpenDocument.h"
#include "support/FakeCard.h"
#include "support/FakePiccView.h"
#include "support/SimulatedChipCard.h"
#include "tools/pacechip/OpenPaceChip.h"
#include "tools/simchip/DocumentFile.h"

namespace {

struct TRow {
  const char* Name;
  int ParameterId;
  bool ReaderExtended;
  bool ChipExtended;
  std::string Line;  // the PACE line of the log
};

const std::string kGroup1 = "2048-bit MODP group with 224-bit prime order subgroup";
const std::string kGroup2 = "2048-bit MODP group with 256-bit prime order subgroup";

class ExtendedLengthPace : public ::testing::TestWithParam<TRow> {
protected:
  void SetUp() override { ResetReaderLink(); }
  void TearDown() override { ResetReaderLink(); }
};

TEST_P(ExtendedLengthPace, RunsWhereBothSidesHaveIt) {
  const TRow& row = GetParam();
  const simchip::TDocument document =
      simchip::LoadDocumentFile(std::string(ZELVAN_SAMPLES_DIR) + "/icao-passport.zdoc");
  simchip::TSimulatedChip chip(document);
  chip.Options().ExtendedLength = row.ChipExtended;
  pacechip::TOpenPaceChip pace(chip, {{{"id-PACE-DH-GM-AES-CBC-CMAC-128", row.ParameterId}}, true, ""});
  TFakePiccView view;
  TFakeCardApi card;
  card.Responder = AnswerFrom(chip);
  card.MaxApduDataSize = row.ReaderExtended ? 65536 : 0;
  card.Atrs[ReaderLink().ReaderName] = chip.Atr();
  // Fixed randomness: OpenPACE drops leading zero bytes of the DH secret.
  TBytes seed(4096);
  for (std::size_t i = 0; i < seed.size(); ++i) seed[i] = static_cast<std::uint8_t>(i * 153 + 5);
  TFixedRandomSource random(seed);

  TEFComBuffer efCom{};
  tMRTD_CTX ctx{};
  TCardSession session(ctx);
  OpenDocument(document.MrzInformation, efCom, session);

  const std::vector<std::string>& texts = view.Texts();
  EXPECT_NE(std::ranges::find(texts, row.Line), texts.end()) << ::testing::PrintToString(texts);
  const auto extended = [](const TBytes& command) { return ParseCommand(command)->ExtendedLength; };
  const auto generalAuthenticate = [](const TBytes& command) { return command[1] == 0x86; };
  if (row.ReaderExtended && row.ChipExtended) {
    ASSERT_TRUE(pace.Established());
    // The mapping and the key agreement carry 256-byte keys, each way.
    const auto longCommands = std::ranges::count_if(card.Commands, extended);
    EXPECT_EQ(longCommands, 2);
    for (const TAnswer& exchange : card.Exchanges) {
      if (extended(exchange.Command)) {
        EXPECT_GT(exchange.Bytes.size(), 258u) << "the chip's key in one answer";
      }
    }
    // Under PACE's secure messaging the reading goes on as ever, in short APDUs.
    TMemoryStream dg1;
    EXPECT_EQ(ReadDataGroup(1, dg1, session), TDataGroupRead::Whole);
    EXPECT_EQ(dg1.Size(), document.Lds.at(simchip::DataGroupFileId(1)).size());
  } else {
    EXPECT_FALSE(pace.Established());
    EXPECT_EQ(std::ranges::count_if(card.Commands, generalAuthenticate), 0) << "PACE not tried";
    EXPECT_EQ(std::ranges::count_if(card.Commands, extended), 0);
    const auto getChallenge = [](const TBytes& command) { return command[1] == 0x84; };
    EXPECT_EQ(std::ranges::count_if(card.Commands, getChallenge), 1) << "BAC follows";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Sides, ExtendedLengthPace,
    ::testing::Values(
        TRow{"Group1Both", 1, true, true, "PACE: established (id-PACE-DH-GM-AES-CBC-CMAC-128, " + kGroup1 + ")"},
        TRow{"Group2Both", 2, true, true, "PACE: established (id-PACE-DH-GM-AES-CBC-CMAC-128, " + kGroup2 + ")"},
        TRow{"ReaderShort", 2, false, true,
             "PACE: not possible (" + kGroup2 + " keys need extended-length APDUs; the reader has short APDUs only)"},
        TRow{"ChipShort", 1, true, false,
             "PACE: not possible (" + kGroup1 + " keys need extended-length APDUs; the chip has short APDUs only)"},
        TRow{"BothShort", 1, false, false,
             "PACE: not possible (" + kGroup1 + " keys need extended-length APDUs; the reader has short APDUs only)"}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
