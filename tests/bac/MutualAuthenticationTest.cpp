#include <gtest/gtest.h>

#include <vector>

#include "bac/MutualAuthentication.h"
#include "card/CardSession.h"
#include "reader/ApduExchange.h"
#include "support/FakeCard.h"
#include "support/FakePiccView.h"
#include "support/IcaoWorkedExample.h"
#include "support/SimulatedChipCard.h"
#include "tools/simchip/CardCrypto.h"

namespace {

class MutualAuthentication : public ::testing::Test {
protected:
  void SetUp() override { ResetReaderLink(); }
  void TearDown() override { ResetReaderLink(); }

  TFakePiccView view;
  TFakeCardApi card;
};

TEST_F(MutualAuthentication, WorkedExampleInstallsTheSessionKeysAndCounter) {
  TFixedRandomSource random(Concat({icao::kRndIfd, icao::kKIfd}));
  card.Script = {{Concat({icao::kRndIcc, Hex("9000")})}, {icao::kAuthenticateAnswer}};
  tMRTD_CTX ctx{};
  TCardSession session(ctx);
  EXPECT_EQ(PerformBac(icao::kMrzInformation, session), "") << "success has no reason";

  ASSERT_EQ(card.Commands.size(), 2u);
  EXPECT_EQ(ToHex(card.Commands[0]), ToHex(icao::kGetChallenge));
  EXPECT_EQ(ToHex(card.Commands[1]), ToHex(icao::kExternalAuthenticate));
  EXPECT_TRUE(ctx.BacEnabled);
  EXPECT_EQ(ToHex(ctx.RND_IFD), ToHex(icao::kRndIfd));
  EXPECT_EQ(ToHex(ctx.K_IFD), ToHex(icao::kKIfd));
  EXPECT_EQ(ToHex(ctx.encK), ToHex(icao::kSessionEnc));
  EXPECT_EQ(ToHex(ctx.macK), ToHex(icao::kSessionMac));
  EXPECT_EQ(ToHex(ctx.SSC), ToHex(icao::kSscInitial));
  EXPECT_TRUE(view.Lines.empty()) << "success logs nothing";
  EXPECT_EQ(random.Remaining(), 0u);
}

// E_ICC || M_ICC || 90 00 for R = RND.ICC || rndIfd || K.ICC under the worked example's K_Enc and K_MAC,
// made with the simulated chip's cipher and MAC.
TBytes AuthenticateAnswerWith(const TBytes& rndIfd) {
  simchip::TKey enc{};
  simchip::TKey mac{};
  std::ranges::copy(icao::kEnc, enc.begin());
  std::ranges::copy(icao::kMac, mac.begin());
  const TBytes e = simchip::Encrypt3Des(enc, Concat({icao::kRndIcc, rndIfd, icao::kKIcc}));
  const simchip::TBlock m = simchip::RetailMac(mac, e);
  return Concat({e, TBytes(m.begin(), m.end()), Hex("9000")});
}

enum class TStateAfter { A, B };

struct TFailureCase {
  std::string Name;
  std::vector<TAnswer> Answers;
  std::string Line;
  TStateAfter State;
};

TEST_F(MutualAuthentication, EachFailureLogsItsLineAndLeavesTheDocumentKeys) {
  const TAnswer challenge{Concat({icao::kRndIcc, Hex("9000")})};
  TBytes wrongMac = icao::kAuthenticateAnswer;
  wrongMac[39] ^= 0x01;
  TBytes wrongCryptogram = icao::kAuthenticateAnswer;  // MAC fails too: E_ICC is what the MAC covers
  wrongCryptogram[0] ^= 0x01;
  const std::vector<TFailureCase> cases{
      {"challenge exchange fails", {{{}, kCardRemoved}}, "MrtdIccGetChallenge connection error.", TStateAfter::A},
      {"challenge refused", {{Hex("6D00")}}, "MrtdIccGetChallenge : Wrong status word 6D00", TStateAfter::A},
      {"challenge answer empty", {{{}}}, "MrtdIccGetChallenge : Wrong status word FFFF", TStateAfter::A},
      {"challenge answer of one byte", {{Hex("90")}}, "MrtdIccGetChallenge : Wrong status word FFFF", TStateAfter::A},
      {"challenge of 90 00 alone", {{Hex("9000")}}, "RND_ICC error.", TStateAfter::A},
      {"challenge of 9 bytes", {{Hex("4608F919887022121F9000")}}, "RND_ICC error.", TStateAfter::A},
      {"authenticate exchange fails",
       {challenge, {{}, kCardRemoved}},
       "MrtdIccMutualAuthenticate connection error.",
       TStateAfter::B},
      {"wrong MRZ: authenticate refused",
       {challenge, {Hex("6300")}},
       "MrtdIccGetChallenge : Wrong status word 6300",
       TStateAfter::B},
      {"authenticate answer of 34 bytes",
       {challenge,
        {Concat({TBytes(icao::kAuthenticateAnswer.begin(), icao::kAuthenticateAnswer.begin() + 32), Hex("9000")})}},
       "MrtdIccGetChallenge : Card returned 34 bytes instead of 42",
       TStateAfter::B},
      {"M_ICC wrong",
       {challenge, {wrongMac}},
       "MrtdIccMutualAuthenticate : Wrong MAC in card's answer",
       TStateAfter::B},
      {"E_ICC altered",
       {challenge, {wrongCryptogram}},
       "MrtdIccMutualAuthenticate : Wrong MAC in card's answer",
       TStateAfter::B},
      {"RND.IFD in R not ours",
       {challenge, {AuthenticateAnswerWith(Hex("781723860C06C227"))}},
       "MrtdIccMutualAuthenticate : Wrong RND.IFD in card's answer",
       TStateAfter::B},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    view.Lines.clear();
    card.Reset();
    card.Script = c.Answers;
    TFixedRandomSource random(Concat({icao::kRndIfd, icao::kKIfd}));
    tMRTD_CTX ctx{};
    ctx.BacEnabled = true;  // a session from an earlier authentication ends here
    ctx.SSC = {1, 2, 3, 4, 5, 6, 7, 8};
    ctx.encK.fill(0x11);
    ctx.macK.fill(0x22);

    TCardSession session(ctx);
    const std::string reason = PerformBac(icao::kMrzInformation, session);

    ASSERT_EQ(view.Lines.size(), 1u);
    EXPECT_EQ(view.Lines[0].Text, c.Line);
    EXPECT_EQ(reason, c.Line);  // the line logged is the reason given back
    EXPECT_EQ(view.Lines[0].Kind, lkProtocol);
    EXPECT_EQ(card.Commands.size(), c.Answers.size());
    EXPECT_FALSE(ctx.BacEnabled);
    EXPECT_EQ(ToHex(ctx.encK), ToHex(icao::kEnc));
    EXPECT_EQ(ToHex(ctx.macK), ToHex(icao::kMac));
    EXPECT_EQ(ToHex(ctx.RND_IFD), ToHex(icao::kRndIfd));
    EXPECT_EQ(ToHex(ctx.K_IFD), ToHex(icao::kKIfd));
    EXPECT_EQ(ToHex(ctx.SSC), c.State == TStateAfter::A ? "0102030405060708" : "0000000000000000");
  }
}

TEST_F(MutualAuthentication, TwoAuthenticationsDrawFreshNonceAndKeyMaterial) {
  // The process-wide CSPRNG (no source set); the chip checks what it gets.
  simchip::TSimulatedChip chip = WorkedExampleChip({});
  card.Responder = AnswerFrom(chip);
  tMRTD_CTX ctx{};
  TCardSession session(ctx);
  PerformBac(icao::kMrzInformation, session);
  ASSERT_TRUE(ctx.BacEnabled);
  const tMRTD_CTX first = ctx;
  PerformBac(icao::kMrzInformation, session);
  ASSERT_TRUE(ctx.BacEnabled);
  EXPECT_TRUE(view.Lines.empty());

  ASSERT_EQ(card.Commands.size(), 4u);
  EXPECT_EQ(card.Commands[0], card.Commands[2]);  // the same GET CHALLENGE and the same chip challenge
  ASSERT_EQ(chip.Journal().size(), 4u);
  EXPECT_EQ(chip.Journal()[0].Reply.Answer, chip.Journal()[2].Reply.Answer);
  EXPECT_NE(card.Commands[1], card.Commands[3]);  // but another E_IFD
  EXPECT_NE(first.RND_IFD, ctx.RND_IFD);
  EXPECT_NE(first.K_IFD, ctx.K_IFD);
  EXPECT_NE(first.encK, ctx.encK);
  // Both sides agree on the session.
  ASSERT_TRUE(chip.SessionKeys().has_value());
  EXPECT_EQ(ctx.encK, chip.SessionKeys()->Enc);
  EXPECT_EQ(ctx.macK, chip.SessionKeys()->Mac);
  EXPECT_EQ(chip.SessionCounter(), ctx.SSC);
}

}  // namespace
