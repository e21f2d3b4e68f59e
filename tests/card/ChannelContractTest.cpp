// The contract of the channels that file reading talks to: the same commands
// through the plain channel, BAC's channel in session, and BAC's channel after
// a failed authentication; answers made by the simulated chip's own secure
// messaging (its own 3DES and MAC code), whole, altered, short, or refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "card/messaging/AesChannel.h"
#include "card/messaging/BacChannel.h"
#include "card/messaging/PlainChannel.h"
#include "card/messaging/PlainCommands.h"
#include "crypto/ByteOperations.h"
#include "support/FakePiccView.h"
#include "support/Hex.h"
#include "tools/simchip/SecureChannel.h"

namespace {

// Session keys and counter of the ICAO 9303 Part 11 worked example.
const TBytes kEnc = Hex("979EC13B1CBFE9DCD01AB0FED307EAE5");
const TBytes kMac = Hex("F1CB1F1FB5ADF208806B89DC579DC1F8");
const TBytes kCounter = Hex("887022120C06C226");

tMRTD_CTX Session(bool established) {
  tMRTD_CTX session{};
  session.BacEnabled = established;
  std::ranges::copy(kEnc, session.encK.begin());
  std::ranges::copy(kMac, session.macK.begin());
  std::ranges::copy(kCounter, session.SSC.begin());
  return session;
}

simchip::TSecureChannel ChipSide() {
  simchip::TKeyPair keys;
  std::ranges::copy(kEnc, keys.Enc.begin());
  std::ranges::copy(kMac, keys.Mac.begin());
  simchip::TBlock counter{};
  std::ranges::copy(kCounter, counter.begin());
  return simchip::TSecureChannel(keys, counter);
}

const std::vector<TCommandApdu> kCommands{BuildSelectFile(1), BuildReadBinary(0, 4).value(),
                                          BuildReadBinary(0x0164, 100).value(), BuildSelectFile(0)};

TEST(Channel, CommandsGoPlainOrProtectedAsTheChipUnderstandsThem) {
  TPlainChannel plain;
  tMRTD_CTX failedSession = Session(false);
  TBacChannel failed(failedSession);
  tMRTD_CTX session = Session(true);
  TBacChannel bac(session);
  simchip::TSecureChannel chip = ChipSide();
  EXPECT_EQ(plain.DataGroupSelect(), TDataGroupSelect::Plain);
  EXPECT_EQ(failed.DataGroupSelect(), TDataGroupSelect::None);
  EXPECT_EQ(bac.DataGroupSelect(), TDataGroupSelect::Protected);
  for (const TCommandApdu& command : kCommands) {
    SCOPED_TRACE(ToHex(command.Encode()));
    EXPECT_EQ(plain.Protect(command), command);
    EXPECT_EQ(failed.Protect(command), command);
    EXPECT_EQ(failedSession.SSC, Session(false).SSC) << "no counter step without a session";
    const TCommandApdu secured = bac.Protect(command);
    EXPECT_EQ(secured.Cla, 0x0C);
    const std::optional<TCommandApdu> unwrapped = chip.Unwrap(secured);
    ASSERT_TRUE(unwrapped.has_value()) << "the chip rejects the protected command";
    EXPECT_EQ(unwrapped->Ins, command.Ins);
    EXPECT_EQ(unwrapped->P1, command.P1);
    EXPECT_EQ(unwrapped->P2, command.P2);
    EXPECT_EQ(unwrapped->Data, command.Data);
    EXPECT_EQ(unwrapped->Le, command.Le);
    // The chip's answer keeps both counters in step.
    EXPECT_EQ(bac.SelectAnswerIntact(chip.Wrap({}, kSwSuccess)), true);
  }
  EXPECT_TRUE(std::ranges::equal(session.SSC, chip.Counter()));
}

// One answer given to the three channels, each in a fresh session.
struct TAnswerCase {
  std::string Name;
  // Makes the answer with the chip's side of the session.
  std::function<TBytes(simchip::TSecureChannel&)> Answer;
  TUnwrapResult Plain, Failed, Bac;  // OpenDataAnswer
  bool RefusalIntactUnderBac;
  std::vector<std::string> BacLines;
};

TBytes Flip(TBytes bytes, std::size_t fromEnd) {
  bytes[bytes.size() - fromEnd] ^= 0x01;
  return bytes;
}

TEST(Channel, AnswersAreOpenedOrRefusedByTheKindOfChannel) {
  const TBytes data = Hex("615B5F1F");
  const std::vector<TAnswerCase> cases{
      // Without a session the counter is not in step with the chip's: its MAC never verifies.
      {"protected data",
       [&](auto& chip) { return chip.Wrap(data, kSwSuccess); },
       TUnwrapResult::Ok,
       TUnwrapResult::WrongMac,
       TUnwrapResult::Ok,
       true,
       {}},
      {"protected data, MAC altered",
       [&](auto& chip) { return Flip(chip.Wrap(data, kSwSuccess), 3); },
       TUnwrapResult::Ok,
       TUnwrapResult::WrongMac,
       TUnwrapResult::WrongMac,
       true,
       {}},
      {"plain data",
       [&](auto&) {
         return Concat({data, Hex("9000")});
       },
       TUnwrapResult::Ok,
       TUnwrapResult::TooShort,
       TUnwrapResult::TooShort,
       true,
       {"Hata #1 : 6"}},
      {"status word alone",
       [](auto&) { return Hex("9000"); },
       TUnwrapResult::Ok,
       TUnwrapResult::TooShort,
       TUnwrapResult::TooShort,
       true,
       {"Hata #1 : 2"}},
      {"protected refusal",
       [](auto& chip) { return chip.Wrap({}, kSwFileNotFound); },
       TUnwrapResult::Ok,
       TUnwrapResult::Rejected,
       TUnwrapResult::Rejected,
       true,
       {"Hata #3 : 16"}},
      {"protected refusal, MAC altered",
       [](auto& chip) { return Flip(chip.Wrap({}, kSwFileNotFound), 3); },
       TUnwrapResult::Ok,
       TUnwrapResult::Rejected,
       TUnwrapResult::Rejected,
       false,
       {"Hata #3 : 16"}},
      {"bare refusal",
       [](auto&) { return Hex("6982"); },
       TUnwrapResult::Ok,
       TUnwrapResult::TooShort,
       TUnwrapResult::TooShort,
       true,
       {"Hata #1 : 2"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TFakePiccView view;
    std::array<std::uint8_t, 256> plaintext{};
    std::size_t length = 0;

    simchip::TSecureChannel chip = ChipSide();
    chip.Wrap({}, kSwSuccess);  // the chip answers the counter step of our command first
    const TBytes answer = c.Answer(chip);

    TPlainChannel plain;
    EXPECT_EQ(plain.OpenDataAnswer(answer, plaintext, length), c.Plain);
    EXPECT_TRUE(plain.RefusalIntact(answer));

    tMRTD_CTX failedSession = Session(false);
    TBacChannel failed(failedSession);
    EXPECT_EQ(failed.OpenDataAnswer(answer, plaintext, length), c.Failed);
    EXPECT_TRUE(failed.RefusalIntact(answer)) << "refusals are taken as they are without a session";

    tMRTD_CTX session = Session(true);
    TBacChannel bac(session);
    IncrementCounter(session.SSC);
    view.Lines.clear();
    EXPECT_EQ(bac.OpenDataAnswer(answer, plaintext, length), c.Bac);
    EXPECT_EQ(view.Texts(), c.BacLines);
    if (c.Bac == TUnwrapResult::Ok) {
      EXPECT_EQ(ToHex(std::span(plaintext).first(length)), ToHex(data));
      EXPECT_TRUE(std::ranges::equal(session.SSC, chip.Counter()));
    }
    tMRTD_CTX refusalSession = Session(true);
    IncrementCounter(refusalSession.SSC);
    TBacChannel refusalBac(refusalSession);
    if (GetStatusWord(answer) != kSwSuccess) {
      EXPECT_EQ(refusalBac.RefusalIntact(answer), c.RefusalIntactUnderBac);
    }
  }
}

// Extended commands stay extended under secure messaging, 3DES and AES
// alike (DO'87' of more than 255 bytes, DO'97' and Le in two bytes), and an
// answer whose DO'87' has a length of 82 LL LL opens whole: both as the
// chip's own code makes and reads them.
struct TExtendedCase {
  const char* Name;
  std::function<std::unique_ptr<TSecureChannel>()> Program;
  std::function<simchip::TSecureChannel()> Chip;
  const char* AnswerStart;  // DO'87' of the 300-byte answer
};

const TBytes kAesEnc = Hex("F5F0E35C0D7161EE6724EE513A0D9A7F");
const TBytes kAesMac = Hex("FE251C7858B356B24514B3BD5F4297D1");

TEST(Channel, ExtendedCommandsAndAnswers) {
  tMRTD_CTX session = Session(true);
  const TExtendedCase cases[] = {
      {"3DES", [&] { return std::make_unique<TBacChannel>(session); }, ChipSide, "87820131"},
      {"AES", [] { return std::make_unique<TAesChannel>(TSecretBuffer(kAesEnc), TSecretBuffer(kAesMac)); },
       [] {
         return simchip::TSecureChannel(simchip::TSmKeys{simchip::ESmCipher::Aes, kAesEnc, kAesMac});
       },
       "87820131"},
  };
  TBytes longData(300);
  for (std::size_t i = 0; i < longData.size(); ++i) longData[i] = static_cast<std::uint8_t>(i);
  const std::vector<TCommandApdu> commands{
      {0x00, 0x86, 0x00, 0x00, longData, 65536},
      {0x00, 0x88, 0x00, 0x00, Hex("0102030405060708"), 65536, true},
      {0x00, 0x88, 0x00, 0x00, Hex("0102030405060708"), 256},
  };
  for (const TExtendedCase& c : cases) {
    std::unique_ptr<TSecureChannel> program = c.Program();
    simchip::TSecureChannel chip = c.Chip();
    for (const TCommandApdu& command : commands) {
      SCOPED_TRACE(std::string(c.Name) + " " + ToHex(command.Encode()).substr(0, 20));
      const TCommandApdu secured = program->Protect(command);
      EXPECT_EQ(secured.Extended(), command.Extended());
      const std::optional<TCommandApdu> sent = ParseCommand(secured.Encode());
      ASSERT_TRUE(sent);
      EXPECT_EQ(sent->Le, command.Extended() ? 65536u : 256u);
      const std::optional<TCommandApdu> unwrapped = chip.Unwrap(*sent);
      ASSERT_TRUE(unwrapped.has_value()) << "the chip rejects the protected command";
      EXPECT_EQ(unwrapped->Data, command.Data);
      EXPECT_EQ(unwrapped->Le, command.Le);

      const TBytes answer = chip.Wrap(longData, kSwSuccess);
      EXPECT_EQ(ToHex(std::span(answer).first(4)), c.AnswerStart);
      std::vector<std::uint8_t> plaintext(answer.size());
      std::size_t length = 0;
      ASSERT_EQ(program->OpenDataAnswer(answer, plaintext, length), TUnwrapResult::Ok);
      EXPECT_EQ(TBytes(plaintext.begin(), plaintext.begin() + static_cast<std::ptrdiff_t>(length)), longData);
    }
  }
}

}  // namespace
