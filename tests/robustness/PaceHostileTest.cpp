// Hostile chips during and after PACE, against OpenPACE's chip side: each
// PACE step met with each hostile answer ends PACE with that step's line,
// sends no BAC command after it, shows nothing of the document, and the
// reading after it (the chip calm again) reads the document whole; hostile
// answers under PACE's secure messaging, AES or 3DES (wrapped by OpenPACE
// with the chip's own keys and counter, or with a spoilt MAC), end as
// failures end; DH public keys go and are taken without leading zeros.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "Documents.h"
#include "HostileAnswers.h"
#include "ReadRig.h"
#include "ReadSteps.h"
#include "tools/pacechip/SeededRandomness.h"
#include "tools/simchip/Tlv.h"

namespace {

using hostile::TAnswerKind;
using hostile::TExchange;
using hostile::TScriptedAnswer;
using simchip::TBytes;

const std::string kUnread = "(not read in this reading)";
constexpr std::uint8_t kInsGetChallenge = 0x84;
constexpr std::uint8_t kInsExternalAuthenticate = 0x82;

// The chip offers one PACE suite and would do BAC as well, so that a BAC attempt would get through.
struct TPaceSuite {
  const char* Name;
  const char* Protocol;
  int ParameterId;
};
pacechip::TPaceChipOptions Offering(const TPaceSuite& suite) {
  return {{{suite.Protocol, suite.ParameterId}}, /*RefuseBac=*/false};
}
// AES secure messaging on brainpoolP256r1, and 3DES secure messaging under PACE's keys. (DH groups
// are left to PaceDhChip below: OpenPACE and the program part on a few of their readings.)
const std::array kSuites{
    TPaceSuite{"EcdhAes", "id-PACE-ECDH-GM-AES-CBC-CMAC-128", 13},
    TPaceSuite{"Ecdh3Des", "id-PACE-ECDH-GM-3DES-CBC-CBC", 13},
};
class PaceHostileChip : public ::testing::TestWithParam<TPaceSuite> {};

struct TPaceStepName {
  TStepKind Kind;
  const char* Name;         // as PACE's failure lines name it
  std::uint8_t AnswerTag;   // of the chip's object inside 7C
  std::uint8_t CommandTag;  // of the terminal's object inside 7C
};
constexpr std::array kPaceSteps{
    TPaceStepName{TStepKind::PaceSetAt, "MSE:Set AT", 0, 0},
    TPaceStepName{TStepKind::PaceNonce, "the encrypted nonce", 0x80, 0},
    TPaceStepName{TStepKind::PaceMapping, "the mapping", 0x82, 0x81},
    TPaceStepName{TStepKind::PaceKeyAgreement, "the key agreement", 0x84, 0x83},
    TPaceStepName{TStepKind::PaceTokens, "the authentication tokens", 0x86, 0x85},
};

// The value of the object with the tag inside the 7C object of the bytes (a command's data or an answer's).
TBytes InnerValue(std::span<const std::uint8_t> bytes, std::uint8_t tag) {
  const auto outer = simchip::ReadTlv(bytes);
  if (!outer || outer->Tag != 0x7C) return {};
  const auto inner = simchip::ReadTlv(outer->Value);
  if (!inner || inner->Tag != tag) return {};
  return TBytes(inner->Value.begin(), inner->Value.end());
}
TBytes AnswerData(std::span<const std::uint8_t> answer) {
  return answer.size() < 2 ? TBytes{} : TBytes(answer.begin(), answer.end() - 2);
}
TBytes DynamicData(std::uint8_t tag, std::span<const std::uint8_t> value) {
  return simchip::MakeTlv(0x7C, simchip::MakeTlv(tag, value));
}

// One hostile answer to a PACE step: what the chip sends and the line PACE
// must end with (nothing: the answer does no harm and the reading is whole).
struct THostilePaceAnswer {
  const char* Name;
  std::function<std::optional<TScriptedAnswer>(const TExchange&, const TPaceStepName&)> Answer;
  std::function<std::optional<std::string>(const TPaceStepName&)> Line;
};

bool IsSetAt(const TPaceStepName& step) { return step.Kind == TStepKind::PaceSetAt; }
std::string Failed(const std::string& reason) { return "PACE: failed (" + reason + ")"; }

TScriptedAnswer Status(std::uint16_t status) {
  return {.Kind = TAnswerKind::BareStatus, .Bytes = {}, .Status = status};
}
TScriptedAnswer Plain(TBytes data) { return {.Kind = TAnswerKind::Data, .Bytes = std::move(data)}; }

std::function<std::optional<std::string>(const TPaceStepName&)> RefusedWith(const char* status) {
  return [status](const TPaceStepName& step) -> std::optional<std::string> {
    const bool password = std::string(status) == "6300" || std::string(status).starts_with("63C");
    if (IsSetAt(step)) return Failed("MSE:Set AT answered " + std::string(status));
    if (password) return Failed("the chip refused the password at " + std::string(step.Name) + ": " + status);
    return Failed(std::string(step.Name) + " answered " + status);
  };
}
// Junk with 9000 is no harm to MSE:Set AT, whose data nobody reads; a GENERAL AUTHENTICATE answer is malformed.
std::optional<std::string> Malformed(const TPaceStepName& step) {
  if (IsSetAt(step)) return std::nullopt;
  return Failed(std::string(step.Name) + " answer malformed");
}

const std::vector<THostilePaceAnswer>& HostilePaceAnswers() {
  static const std::vector<THostilePaceAnswer> answers{
      {"6300", [](const TExchange&, const TPaceStepName&) { return Status(0x6300); }, RefusedWith("6300")},
      {"63C2", [](const TExchange&, const TPaceStepName&) { return Status(0x63C2); }, RefusedWith("63C2")},
      {"6A80", [](const TExchange&, const TPaceStepName&) { return Status(0x6A80); }, RefusedWith("6A80")},
      {"6982", [](const TExchange&, const TPaceStepName&) { return Status(0x6982); }, RefusedWith("6982")},
      {"card taken away",
       [](const TExchange&, const TPaceStepName&) {
         return TScriptedAnswer{.Kind = TAnswerKind::CardRemoved, .Bytes = {}};
       },
       [](const TPaceStepName& step) -> std::optional<std::string> {
         return Failed("connection error at " + std::string(step.Name));
       }},
      {"failed transmission",
       [](const TExchange&, const TPaceStepName&) {
         return TScriptedAnswer{
             .Kind = TAnswerKind::TransmitError, .Bytes = {}, .Status = 0, .PcscError = kScardENotTransacted};
       },
       [](const TPaceStepName& step) -> std::optional<std::string> {
         return Failed("connection error at " + std::string(step.Name));
       }},
      {"empty 7C",
       [](const TExchange&, const TPaceStepName&) {
         return Plain({0x7C, 0x00});
       },
       Malformed},
      {"garbage in 7C",
       [](const TExchange&, const TPaceStepName&) {
         return Plain({0x7C, 0x05, 0x99, 0x03, 0x01, 0x02, 0x03});
       },
       Malformed},
      {"truncated",
       [](const TExchange& exchange, const TPaceStepName&) {
         TBytes data = AnswerData(exchange.ChipAnswer);
         data.resize(data.size() / 2);
         return Plain(data);
       },
       Malformed},
      {"overlong",
       [](const TExchange& exchange, const TPaceStepName&) {
         TBytes data = AnswerData(exchange.ChipAnswer);
         data.insert(data.end(), {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77});
         return Plain(data);
       },
       Malformed},
      {"one byte",
       [](const TExchange&, const TPaceStepName&) {
         return TScriptedAnswer{.Kind = TAnswerKind::Raw, .Bytes = {0x90}};
       },
       RefusedWith("FFFF")},  // no status word
      // The step's own object with a value of no account: a nonce the
      // terminal cannot use, a mapping key off the curve, the terminal's own
      // key sent back, a token flipped.
      {"wrong value",
       [](const TExchange& exchange, const TPaceStepName& step) -> std::optional<TScriptedAnswer> {
         if (IsSetAt(step)) return std::nullopt;
         TBytes value = InnerValue(AnswerData(exchange.ChipAnswer), step.AnswerTag);
         switch (step.Kind) {
           case TStepKind::PaceNonce:
           case TStepKind::PaceTokens:
             for (std::uint8_t& byte : value) byte ^= 0x5A;
             break;
           case TStepKind::PaceMapping:
             std::fill(value.begin() + 1, value.end(), 0x01);
             break;
           default:
             value = InnerValue(ParseCommand(exchange.Command)->Data, step.CommandTag);
             break;
         }
         return Plain(DynamicData(step.AnswerTag, value));
       },
       [](const TPaceStepName& step) -> std::optional<std::string> {
         switch (step.Kind) {
           case TStepKind::PaceSetAt:
             return std::nullopt;
           case TStepKind::PaceNonce:  // the chip finds the terminal's token made under another generator
             return Failed("the chip refused the password at the authentication tokens: 6300");
           case TStepKind::PaceMapping:
             return Failed("the chip's mapping key is not valid");
           case TStepKind::PaceKeyAgreement:
             return Failed("the chip's key equals the terminal's");
           default:
             return Failed("the chip's authentication token does not verify");
         }
       }},
      {"nonce of 15 bytes",
       [](const TExchange&, const TPaceStepName& step) -> std::optional<TScriptedAnswer> {
         if (step.Kind != TStepKind::PaceNonce) return std::nullopt;
         return Plain(DynamicData(0x80, TBytes(15, 0x42)));
       },
       [](const TPaceStepName& step) -> std::optional<std::string> {
         if (step.Kind != TStepKind::PaceNonce) return std::nullopt;
         return Failed("encrypted nonce of 15 bytes");
       }},
  };
  return answers;
}

std::size_t CommandOf(const std::vector<TStep>& steps, TStepKind kind) {
  const auto found = std::ranges::find(steps, kind, &TStep::Kind);
  EXPECT_NE(found, steps.end());
  return static_cast<std::size_t>(found - steps.begin());
}

bool BacTried(const std::vector<TBytes>& commands) {
  return std::ranges::any_of(commands, [](const TBytes& command) {
    return command.size() >= 2 && (command[1] == kInsGetChallenge || command[1] == kInsExternalAuthenticate);
  });
}

// The step's scripted answer at its command of the reading only.
hostile::TAnswerScript AtCommand(const TReadRig& rig, std::size_t command,
                                 std::function<std::optional<TScriptedAnswer>(const TExchange&)> answer) {
  return [&rig, command, answer](const TExchange& exchange) -> std::optional<TScriptedAnswer> {
    if (rig.LinesBeforeCommand().size() - 1 != command) return std::nullopt;
    return answer(exchange);
  };
}

TEST_P(PaceHostileChip, EveryStepMetWithEveryHostileAnswerEndsPaceThereWithoutBacAndShowsNothing) {
  TReadRig rig(CompactPassport(), Offering(GetParam()));
  const TCleanReading clean = ReadClean(rig);
  ASSERT_FALSE(clean.Picture.isNull());
  ASSERT_TRUE(
      std::ranges::any_of(clean.Lines, [](const TLoggedLine& l) { return l.Text.starts_with("PACE: established"); }));
  std::size_t cases = 0;

  for (const TPaceStepName& step : kPaceSteps) {
    const std::size_t command = CommandOf(clean.Steps, step.Kind);
    for (const THostilePaceAnswer& hostile : HostilePaceAnswers()) {
      const std::optional<std::string> expected = hostile.Line(step);
      bool planted = false;
      rig.Calm();
      rig.Reader().SetScript(AtCommand(rig, command, [&](const TExchange& exchange) {
        std::optional<TScriptedAnswer> answer = hostile.Answer(exchange, step);
        planted = planted || answer.has_value();
        return answer;
      }));
      SCOPED_TRACE(std::string(step.Name) + " answered: " + hostile.Name);
      for (auto& [edit, text] : rig.View().Fields) text = kUnread;
      rig.View().Lines.clear();
      rig.Reader().ClearSentCommands();
      const int picturesBefore = rig.View().PicturesShown;
      const std::optional<std::string> error = rig.Read();
      if (!planted) continue;
      ++cases;

      const std::vector<TLoggedLine>& lines = rig.View().Lines;
      const std::size_t before = clean.LinesBeforeCommand.at(command);
      ASSERT_GT(lines.size(), before);
      EXPECT_TRUE(std::equal(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(before), clean.Lines.begin()));
      if (!expected) {
        // No harm done: the reading is the clean one.
        EXPECT_EQ(error, std::nullopt);
        EXPECT_EQ(lines, clean.Lines);
        EXPECT_EQ(rig.View().Fields, clean.Fields);
      } else {
        EXPECT_EQ(lines[before].Text, *expected);
        EXPECT_FALSE(BacTried(rig.Reader().SentCommands())) << "BAC after a failed PACE";
        EXPECT_EQ(error, std::optional<std::string>("Stream read error"));
        for (const auto& [edit, text] : rig.View().Fields) EXPECT_EQ(text, kUnread) << static_cast<int>(edit);
        EXPECT_EQ(rig.View().PicturesShown, picturesBefore);
        for (std::size_t i = before + 1; i < lines.size(); ++i) {
          EXPECT_FALSE(lines[i].Text.starts_with("PACE: ")) << lines[i].Text;
          EXPECT_TRUE(IsKnownLogLine(lines[i].Text)) << lines[i].Text;
        }
      }

      rig.Calm();
      rig.View().Lines.clear();
      EXPECT_EQ(rig.Read(), std::nullopt);
      EXPECT_EQ(rig.View().Lines, clean.Lines);
      EXPECT_EQ(rig.View().Fields, clean.Fields);
      EXPECT_EQ(rig.View().Picture, clean.Picture);
    }
  }
  EXPECT_GE(cases, kPaceSteps.size() * 8);
}

// A chip that turns MSE:Set AT down as unsupported is read with BAC: the one
// refusal after which BAC is right.
TEST_P(PaceHostileChip, SetAtRefusedAsUnsupportedFallsBackToBac) {
  TReadRig rig(CompactPassport(), Offering(GetParam()));
  const TCleanReading clean = ReadClean(rig);
  const std::size_t command = CommandOf(clean.Steps, TStepKind::PaceSetAt);
  rig.Reader().SetScript(AtCommand(rig, command, [](const TExchange&) { return Status(0x6D00); }));
  rig.View().Lines.clear();
  rig.Reader().ClearSentCommands();
  EXPECT_EQ(rig.Read(), std::nullopt);
  EXPECT_EQ(rig.View().Lines.at(clean.LinesBeforeCommand.at(command)).Text,
            "PACE: not used (MSE:Set AT not supported: 6D00)");
  EXPECT_TRUE(BacTried(rig.Reader().SentCommands()));
  EXPECT_EQ(rig.View().Fields, clean.Fields);
  EXPECT_EQ(rig.View().Picture, clean.Picture);
}

const std::set<std::string> kErrorsThatEndAReading{"Stream read error", "Unknown JPEG 2000 file type",
                                                   "JPEG 2000 image decoding failed"};

// Hostile answers under PACE's secure messaging, at random protected
// commands: wrapped by OpenPACE with a valid MAC (hostile content), with a
// spoilt MAC, cut, refused, lost.
TEST_P(PaceHostileChip, HostileAnswersUnderSecureMessagingEndAsFailuresEnd) {
  TReadRig rig(CompactPassport(), Offering(GetParam()));
  const TCleanReading clean = ReadClean(rig);
  const std::size_t firstProtected = CommandOf(clean.Steps, TStepKind::SecureSelectApplication);
  std::mt19937 random(20261211);
  TScriptedFaults scripted;
  std::map<std::string, std::size_t> faultsSeen;
  for (std::size_t session = 0; session < 300 && !::testing::Test::HasFailure(); ++session) {
    rig.Calm();
    scripted.clear();
    rig.Reader().SetScript(ScriptOf(scripted, rig));
    const THostileFault fault =
        PlantHostileFault(random, clean.Steps, rig.Document(), rig.Chip(), scripted, firstProtected);
    ++faultsSeen[fault.Name];
    SCOPED_TRACE("session " + std::to_string(session) + ": " + fault.Name + " at command " +
                 std::to_string(fault.Command));
    for (auto& [edit, text] : rig.View().Fields) text = kUnread;
    rig.View().Lines.clear();
    rig.Reader().ClearSentCommands();
    const std::optional<std::string> error = rig.Read();
    if (error) {
      EXPECT_TRUE(kErrorsThatEndAReading.contains(*error)) << *error;
    }
    const std::vector<TLoggedLine>& lines = rig.View().Lines;
    for (const TLoggedLine& line : lines) {
      if (line.Kind >= 0) {
        EXPECT_TRUE(IsKnownLogLine(line.Text)) << line.Text;
      }
    }
    const std::size_t before = clean.LinesBeforeCommand.at(fault.Command);
    ASSERT_GE(lines.size(), before);
    EXPECT_TRUE(std::equal(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(before), clean.Lines.begin()));
    EXPECT_FALSE(BacTried(rig.Reader().SentCommands()));

    // A MAC that does not hold at a read of DG1 leaves its fields unread.
    const TStep& step = clean.Steps[fault.Command];
    if (fault.Name.starts_with("MAC spoilt") && step.Read() && step.DataGroup == 1) {
      EXPECT_EQ(rig.View().Fields.at(TResultEdit::BelgeNo), kUnread);
      EXPECT_EQ(rig.View().Fields.at(TResultEdit::Adi1), kUnread);
    }

    rig.Calm();
    rig.View().Lines.clear();
    EXPECT_EQ(rig.Read(), std::nullopt);
    EXPECT_EQ(rig.View().Lines, clean.Lines);
    EXPECT_EQ(rig.View().Fields, clean.Fields);
    EXPECT_EQ(rig.View().Picture, clean.Picture);
  }
  EXPECT_GE(faultsSeen.size(), HostileFaultNames().size() - 2);
}

INSTANTIATE_TEST_SUITE_P(Suites, PaceHostileChip, ::testing::ValuesIn(kSuites),
                         [](const auto& info) { return std::string(info.param.Name); });

// A DH public key is an unsigned integer in the fewest bytes: OpenPACE's
// chip sends its keys without leading zero bytes (about once in 128 keys)
// and computes its token over the terminal's key encoded so. No calm
// reading fails on the chip's mapping or agreement key, nor on the chip's
// token. The chip's randomness is a fixed stream, so that the readings (and
// the short keys among them) are the same every run. (The chip refusing the
// terminal's token now and then is another matter: OpenPACE drops the
// leading zeros of the shared secret, which the program keeps at the length
// of p; that line is not counted here.)
TEST(PaceDhChip, TakesTheChipsPublicKeysWithoutLeadingZeros) {
  TReadRig rig(CompactPassport(), Offering({"DhAes", "id-PACE-DH-GM-AES-CBC-CMAC-128", 0}));
  pacechip::UseSeededRandomness(9303);
  constexpr std::size_t kFullKeyAnswer = 2 + 3 + 3 + 128 + 2;  // 7C 81 LL, 8x 81 80, y, 9000
  std::size_t shortKeys = 0;
  std::size_t rejected = 0;
  std::size_t tokensRefused = 0;
  for (int reading = 0; reading < 400; ++reading) {
    rig.View().Lines.clear();
    rig.Read();
    for (const simchip::TJournalEntry& entry : rig.Chip().Journal()) {
      const bool keyAnswer = entry.Command.size() > 1 && entry.Command[1] == 0x86 && entry.Reply.Answer.size() > 100;
      if (keyAnswer && entry.Reply.Answer.size() < kFullKeyAnswer) ++shortKeys;
    }
    for (const TLoggedLine& line : rig.View().Lines) {
      if (line.Text.ends_with("key is not valid)")) ++rejected;
      if (line.Text == "PACE: failed (the chip's authentication token does not verify)") ++tokensRefused;
    }
  }
  pacechip::UseSystemRandomness();
  EXPECT_GE(shortKeys, 2u) << "the readings met keys in their shortest encoding";
  EXPECT_EQ(rejected, 0u);
  EXPECT_EQ(tokensRefused, 0u);
}

}  // namespace
