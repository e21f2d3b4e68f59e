// Faults injected into the chip's answers and into the link to it.

#include <gtest/gtest.h>

#include "ChipHarness.h"

namespace simchip::testing {
namespace {

const TBytes kSelectApplication = Hex("00A4040C07A0000002471001");
const TBytes kGetChallenge = Hex("0084000008");

// Faults on the first command, GET CHALLENGE, whose answer is 8 bytes and 90 00.
struct TAnswerFaultCase {
  const char* Name;
  TFault Fault;
  std::int32_t Result;       // of SCardTransmit
  std::size_t AnswerLength;  // when it succeeded
  std::uint16_t Status;      // of the answer (0xFFFF: shorter than 2 bytes)
};

TEST(ChipFault, AnswerFaultsOnTheFirstCommand) {
  const std::vector<TAnswerFaultCase> cases{
      {"truncated to 2 data bytes", TFault::Truncated(1, 2), 0, 4, 0x9000},
      {"truncated to nothing but the status", TFault::Truncated(1, 0), 0, 2, 0x9000},
      {"4 bytes too long", TFault::Overlong(1, 4), 0, 14, 0x9000},
      {"too long for 255 bytes", TFault::Overlong(1, 250), ScardCode(kScardEInsufficientBuffer), 0, 0},
      {"status word only", TFault::StatusWord(1, 0x6A82), 0, 2, 0x6A82},
      {"empty answer", TFault::Answer(1, {}), 0, 0, 0xFFFF},
      {"answer of our choice", TFault::Answer(1, Hex("9000")), 0, 2, 0x9000},
      {"card gone", TFault::TransmitError(1, kScardENoSmartcard), ScardCode(kScardENoSmartcard), 0, 0},
      {"reader lost the card", TFault::TransmitError(1, kScardWRemovedCard), ScardCode(kScardWRemovedCard), 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TChipHarness harness;
    harness.Chip.AddFault(c.Fault);
    const TBytes answer = harness.Exchange(kGetChallenge);
    EXPECT_EQ(harness.LastResult, c.Result);
    if (c.Result != kScardSuccess) continue;
    EXPECT_EQ(answer.size(), c.AnswerLength);
    EXPECT_EQ(GetStatusWord(answer), c.Status);
    // The fault fired once: the next command is answered normally.
    EXPECT_EQ(ToHex(harness.Exchange(kSelectApplication)), "9000");
  }
}

TEST(ChipFault, CommandsReplacedByAFaultAreNotCarriedOut) {
  TChipHarness harness;
  harness.Chip.AddFault(TFault::StatusWord(1, 0x9000));
  harness.Chip.AddFault(TFault::TransmitError(2, kScardENoSmartcard));
  EXPECT_EQ(ToHex(harness.Exchange(kGetChallenge)), "9000");
  harness.Exchange(kGetChallenge);
  // Neither GET CHALLENGE gave a challenge, so there is nothing to authenticate against.
  EXPECT_EQ(ToHex(harness.Exchange(Hex("0082000028" + std::string(80, '0') + "28"))), "6985");
}

TEST(ChipFault, WrongMacOnTheSecondProtectedRead) {
  TChipHarness harness;
  TBacTerminal terminal = harness.Authenticated();
  harness.Chip.AddFault(TFault::WrongMac(2).ForIns(kInsReadBinary));
  terminal.Select(DataGroupFileId(1));
  const auto first = terminal.Read(0, 4);
  const auto second = terminal.Read(4, 20);
  EXPECT_TRUE(first.Authentic);
  EXPECT_EQ(second.Status, kSwSuccess);
  EXPECT_FALSE(second.Authentic);
  EXPECT_TRUE(terminal.Read(24, 4).Authentic);
}

TEST(ChipFault, EveryCommandAndInstructionFilter) {
  TChipHarness harness;
  harness.Chip.AddFault(TFault::StatusWord(0, 0x6F00).ForIns(kInsGetChallenge));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(ToHex(harness.Exchange(kGetChallenge)), "6F00");
  EXPECT_EQ(ToHex(harness.Exchange(kSelectApplication)), "9000");
  harness.Chip.ClearFaults();
  EXPECT_EQ(harness.Exchange(kGetChallenge).size(), 10u);
}

TEST(ChipFault, ExternalAuthenticateAnswerOf34Bytes) {
  TChipHarness harness;
  harness.Chip.AddFault(TFault::Truncated(1, 32).ForIns(kInsExternalAuthenticate));
  TBacTerminal terminal = harness.Terminal();
  terminal.SelectApplication();
  const auto answer = terminal.Authenticate(kSpecimenMrzInformation);
  EXPECT_EQ(answer.Status, kSwSuccess);
  EXPECT_EQ(answer.Data.size(), 32u);
  EXPECT_FALSE(terminal.SessionOpen());
}

TEST(ChipFault, CardTakenAwayInTheMiddleOfAReading) {
  TChipHarness harness;
  TBacTerminal terminal = harness.Authenticated();
  harness.Chip.AddFault(TFault::CardRemoved(3));
  terminal.Select(DataGroupFileId(1));
  terminal.Read(0, 4);
  EXPECT_TRUE(terminal.Read(4, 10).LinkFailed);
  EXPECT_EQ(static_cast<std::uint32_t>(harness.LastResult), kScardWRemovedCard);
  EXPECT_FALSE(harness.Reader.CardPresent());
  EXPECT_TRUE(terminal.Read(14, 10).LinkFailed);
  EXPECT_EQ(static_cast<std::uint32_t>(harness.LastResult), kScardWRemovedCard);

  TScardContext context = 0;
  harness.Reader.EstablishContext(kScardScopeUser, context);
  TScardHandle handle = 0;
  std::uint32_t protocol = 0;
  EXPECT_EQ(static_cast<std::uint32_t>(harness.Reader.Connect(context, "Zelvan Virtual ACR122 00 00", kScardShareShared,
                                                              kScardProtocolAny, handle, protocol)),
            kScardENoSmartcard);

  harness.Reader.InsertCard(harness.Chip);
  harness.Connect();
  EXPECT_FALSE(harness.Chip.SessionOpen());
  TBacTerminal again = harness.Authenticated();
  EXPECT_TRUE(again.ReadFile(DataGroupFileId(1)));
}

}  // namespace
}  // namespace simchip::testing
