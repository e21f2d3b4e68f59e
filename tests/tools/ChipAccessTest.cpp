// What the chip lets a terminal do before and after Basic Access Control.

#include <gtest/gtest.h>

#include "ChipHarness.h"

namespace simchip::testing {
namespace {

const TBytes kSelectApplication = Hex("00A4040C07A0000002471001");
const TBytes kSelectEfCom = Hex("00A4020C02011E");
const TBytes kReadFour = Hex("00B0000004");

struct TPlainAccessCase {
  const char* Name;
  TChipOptions Options;
  std::uint16_t SelectStatus;
  std::uint16_t ReadStatus;
};

TChipOptions With(bool requireBac, bool refusePlainSelect) {
  TChipOptions options;
  options.RequireBac = requireBac;
  options.RefusePlainSelect = refusePlainSelect;
  return options;
}

TEST(ChipAccess, PlainCommandsBeforeAuthentication) {
  const std::vector<TPlainAccessCase> cases{
      {"default: select allowed, read refused", {}, 0x9000, 0x6982},
      {"plain select refused too", With(true, true), 0x6982, 0x6982},
      {"no BAC: plain reads work", With(false, false), 0x9000, 0x9000},
      {"no BAC ignores the select refusal", With(false, true), 0x9000, 0x9000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TChipHarness harness(c.Options);
    EXPECT_EQ(GetStatusWord(harness.Exchange(kSelectApplication)), 0x9000);
    EXPECT_EQ(GetStatusWord(harness.Exchange(kSelectEfCom)), c.SelectStatus);
    const TBytes read = harness.Exchange(kReadFour);
    EXPECT_EQ(GetStatusWord(read), c.ReadStatus);
    if (c.ReadStatus == 0x9000) {
      EXPECT_EQ(ToHex(read), ToHex(std::span(harness.Chip.Files()[kEfComFileId]).first(4)) + "9000");
    }
  }
}

TEST(ChipAccess, FilesNeedTheApplicationAndUnknownOnesAreNotFound) {
  TChipHarness harness(With(false, false));
  EXPECT_EQ(ToHex(harness.Exchange(kSelectEfCom)), "6A82");                     // application not selected yet
  EXPECT_EQ(ToHex(harness.Exchange(Hex("00A4040C07A0000002471002"))), "6A82");  // another application
  EXPECT_EQ(ToHex(harness.Exchange(kSelectApplication)), "9000");
  EXPECT_EQ(ToHex(harness.Exchange(kReadFour)), "6986");              // no file selected
  EXPECT_EQ(ToHex(harness.Exchange(Hex("00A4020C020102"))), "6A82");  // DG2 is not in this LDS
}

TEST(ChipAccess, NoBacModeReadsAFileWholeInPlain) {
  TChipHarness harness(With(false, false));
  TBacTerminal terminal = harness.Terminal();
  ASSERT_EQ(terminal.SelectApplication().Status, kSwSuccess);
  EXPECT_EQ(terminal.ReadFile(DataGroupFileId(11)), harness.Chip.Files()[DataGroupFileId(11)]);
}

TEST(ChipAccess, WrongMrzInformationIsRefusedWithTheConfiguredStatus) {
  const std::vector<std::pair<std::optional<std::uint16_t>, std::uint16_t>> cases{{std::nullopt, 0x6300},
                                                                                  {0x6982, 0x6982}};
  const std::vector<std::string> wrongInformation{"L898902C<369080619406237",   // expiry check digit
                                                  "L898902C<369080719406236",   // date of birth
                                                  "X898902C<369080619406236"};  // document number
  for (const auto& [configured, expected] : cases) {
    for (const auto& mrz : wrongInformation) {
      SCOPED_TRACE(mrz);
      TChipOptions options;
      if (configured) options.AuthenticationFailure = *configured;
      TChipHarness harness(options);
      TBacTerminal terminal = harness.Terminal();
      terminal.SelectApplication();
      EXPECT_EQ(terminal.Authenticate(mrz).Status, expected);
      EXPECT_FALSE(harness.Chip.SessionOpen());
      // Without a session a protected command cannot be checked.
      EXPECT_EQ(ToHex(harness.Exchange(Hex("0CA4020C158709016375432908C044F68E08BF8B92D635FF24F800"))), "6988");
    }
  }
}

TEST(ChipAccess, ExternalAuthenticateNeedsAFreshChallenge) {
  TChipHarness harness;
  TBacTerminal terminal = harness.Terminal();
  terminal.SelectApplication();
  const TBytes withoutChallenge = Hex("0082000028" + std::string(80, '0') + "28");
  EXPECT_EQ(ToHex(harness.Exchange(withoutChallenge)), "6985");

  ASSERT_EQ(terminal.Authenticate(kSpecimenMrzInformation).Status, kSwSuccess);
  // The same command again: the challenge has been used up.
  const TBytes replay = harness.Reader.SentCommands().back();
  EXPECT_EQ(ToHex(harness.Exchange(replay)), "6985");
}

TEST(ChipAccess, ChallengesAreRandomUnlessSeeded) {
  const auto challenges = [](TChipOptions options) {
    TChipHarness harness(options);
    std::vector<std::string> drawn;
    for (int i = 0; i < 3; ++i) drawn.push_back(ToHex(harness.Exchange(Hex("0084000008"))));
    return drawn;
  };
  TChipOptions seeded;
  seeded.RandomSeed = 1969;
  const auto first = challenges(seeded);
  EXPECT_EQ(first, challenges(seeded));
  EXPECT_NE(first[0], first[1]);
  for (const auto& c : first) EXPECT_EQ(c.size(), 20u);
  EXPECT_NE(challenges({}), challenges({}));
  TChipHarness harness;
  EXPECT_EQ(ToHex(harness.Exchange(Hex("0084000010"))), "6700");
}

TEST(ChipAccess, SessionEndsOnPowerOffOnAPlainCommandAndOnAWrongMac) {
  TChipHarness harness;
  const auto openSession = [&] {
    TBacTerminal terminal = harness.Authenticated();
    EXPECT_EQ(terminal.Select(kEfComFileId).Status, kSwSuccess);
    return terminal;
  };

  TBacTerminal terminal = openSession();
  ASSERT_EQ(harness.Reader.Disconnect(harness.Handle, kScardUnpowerCard), kScardSuccess);
  harness.Connect();
  EXPECT_EQ(terminal.Select(kEfComFileId).Status, kSwSmObjectsIncorrect);

  terminal = openSession();
  ASSERT_EQ(harness.Reader.Disconnect(harness.Handle, kScardLeaveCard), kScardSuccess);
  harness.Connect();
  EXPECT_EQ(terminal.Select(kEfComFileId).Status, kSwSuccess) << "leaving the card powered keeps the session";

  terminal = openSession();
  EXPECT_EQ(ToHex(harness.Exchange(kReadFour)), "6982");
  EXPECT_FALSE(harness.Chip.SessionOpen());

  terminal = openSession();
  TBytes command = TTerminalChannel(TKeyPair{}, TBlock{}).Protect({0x00, kInsReadBinary, 0, 0, {}, 4});
  EXPECT_EQ(ToHex(harness.Exchange(command)), "6988");
  EXPECT_FALSE(harness.Chip.SessionOpen());
  EXPECT_EQ(terminal.Read(0, 4).Status, kSwSmObjectsIncorrect) << "BAC is needed again";
}

TEST(ChipAccess, ProtectedSelectOfAMissingFile) {
  struct TCase {
    bool ProtectedErrors;
    std::size_t AnswerLength;
  };
  for (const TCase c : {TCase{false, 2}, TCase{true, 16}}) {
    TChipOptions options;
    options.ProtectedErrors = c.ProtectedErrors;
    TChipHarness harness(options);
    TBacTerminal terminal = harness.Authenticated();
    const auto missing = terminal.Select(DataGroupFileId(2));
    EXPECT_EQ(missing.Status, kSwFileNotFound);
    EXPECT_TRUE(missing.Authentic);
    const TBytes& answer = harness.Chip.Journal().back().Reply.Answer;
    ASSERT_EQ(answer.size(), c.AnswerLength);
    if (c.ProtectedErrors) {
      EXPECT_EQ(ToHex(answer).substr(0, 12), "99026A828E08");
    }
    // The session goes on; with protected errors both counters moved past the answer's MAC.
    EXPECT_EQ(terminal.Select(kEfComFileId).Status, kSwSuccess);
  }
}

TEST(ChipAccess, ShortFileIdentifierReadSelectsTheFile) {
  TChipHarness harness;
  TBacTerminal terminal = harness.Authenticated();
  const auto answer = terminal.Send({0x00, kInsReadBinary, 0x80 | 0x01, 0x00, {}, 5});
  EXPECT_EQ(answer.Status, kSwSuccess);
  EXPECT_EQ(ToHex(answer.Data), ToHex(std::span(harness.Chip.Files()[DataGroupFileId(1)]).first(5)));
  EXPECT_EQ(terminal.Read(5, 3).Status, kSwSuccess) << "the file stays selected";
  EXPECT_EQ(terminal.Send({0x00, kInsReadBinary, 0x80 | 0x02, 0x00, {}, 5}).Status, kSwFileNotFound);
}

TEST(ChipAccess, JournalNamesTheFilesOfProtectedCommands) {
  TChipHarness harness;
  TBacTerminal terminal = harness.Authenticated();
  ASSERT_TRUE(terminal.ReadFile(DataGroupFileId(1)));
  EXPECT_TRUE(harness.Chip.Touched(DataGroupFileId(1)));
  EXPECT_FALSE(harness.Chip.Touched(DataGroupFileId(2)));
  EXPECT_FALSE(harness.Chip.Touched(DataGroupFileId(11)));
  const auto& last = harness.Chip.Journal().back();
  EXPECT_TRUE(last.Protected);
  ASSERT_TRUE(last.Plain);
  EXPECT_EQ(last.Plain->Ins, kInsReadBinary);
}

TEST(ChipAccess, FixedChallengeAndKeyMaterialServeEveryAuthentication) {
  TChipHarness harness;
  const TBlock fixed{0x46, 0x08, 0xF9, 0x19, 0x88, 0x70, 0x22, 0x12};
  const TBlock once{1, 2, 3, 4, 5, 6, 7, 8};
  harness.Chip.FixChallenge(fixed);
  EXPECT_EQ(ToHex(harness.Exchange(Hex("0084000008"))), "4608F919887022129000");
  harness.Chip.SetNextChallenge(once);  // a value for the next draw comes first
  EXPECT_EQ(ToHex(harness.Exchange(Hex("0084000008"))), "01020304050607089000");
  EXPECT_EQ(ToHex(harness.Exchange(Hex("0084000008"))), "4608F919887022129000");

  // The same nonce, key material and chip values twice: the same session keys.
  TKey keyMaterial{};
  keyMaterial.fill(0x5A);
  harness.Chip.FixKeyMaterial(keyMaterial);
  std::optional<TKeyPair> first;
  for (int i = 0; i < 2; ++i) {
    TBacTerminal terminal = harness.Terminal();
    ASSERT_EQ(terminal.SelectApplication().Status, kSwSuccess);
    ASSERT_EQ(terminal.Authenticate(kSpecimenMrzInformation, once, keyMaterial).Status, kSwSuccess);
    ASSERT_TRUE(harness.Chip.SessionKeys().has_value());
    if (first) {
      EXPECT_EQ(harness.Chip.SessionKeys()->Enc, first->Enc);
      EXPECT_EQ(harness.Chip.SessionKeys()->Mac, first->Mac);
    }
    first = harness.Chip.SessionKeys();
  }
}

TEST(ChipAccess, SessionStartedWithGivenKeysAndCounter) {
  TChipHarness harness;
  TBacTerminal terminal = harness.Authenticated();
  const TKeyPair keys = *harness.Chip.SessionKeys();
  const TBlock counter = *harness.Chip.SessionCounter();
  EXPECT_EQ(terminal.Counter(), counter);
  harness.Chip.PowerOff();
  EXPECT_FALSE(harness.Chip.SessionOpen());
  EXPECT_FALSE(harness.Chip.SessionKeys().has_value());

  // The terminal goes on with the session it has: the chip is in step again,
  // with the application selected.
  harness.Chip.StartSession(keys, counter);
  ASSERT_TRUE(harness.Chip.SessionOpen());
  EXPECT_EQ(terminal.ReadFile(DataGroupFileId(1)), harness.Chip.Files()[DataGroupFileId(1)]);
  EXPECT_EQ(harness.Chip.SessionCounter(), terminal.Counter());
}

TEST(ChipAccess, ApplicationSelectedWithoutACommand) {
  TChipHarness harness(With(false, false));
  EXPECT_EQ(ToHex(harness.Exchange(kSelectEfCom)), "6A82");
  harness.Chip.SelectApplication();
  EXPECT_EQ(harness.Chip.Journal().size(), 1u) << "no command is recorded for it";
  EXPECT_EQ(ToHex(harness.Exchange(kSelectEfCom)), "9000");
  EXPECT_EQ(ToHex(harness.Exchange(kReadFour)), ToHex(std::span(harness.Chip.Files()[kEfComFileId]).first(4)) + "9000");
}

}  // namespace
}  // namespace simchip::testing
