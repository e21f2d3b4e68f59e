#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "activeauth/InternalAuthenticate.h"
#include "card/messaging/AesChannel.h"
#include "card/messaging/BacChannel.h"
#include "card/messaging/PlainChannel.h"
#include "card/messaging/ProtectedAnswerLength.h"
#include "reader/ApduExchange.h"
#include "support/CardSessions.h"
#include "support/FakeCard.h"
#include "support/FakePiccView.h"

namespace {

// Answer lengths under secure messaging as the recorded Active and Chip
// Authentication exchanges give them (data bytes, status word left out).
struct TAnswerLengthCase {
  std::size_t Data;
  std::size_t BlockSize;
  std::size_t Answer;
};

TEST(ProtectedAnswerLength, MatchesTheRecordedSizes) {
  const TAnswerLengthCase cases[] = {
      {224, 8, 250},   // RSA-1792 under 3DES: the recorded answer
      {224, 16, 258},  // the same under AES
      {256, 8, 283},   // RSA-2048 under 3DES
      {256, 16, 291},  // RSA-2048 under AES
      {231, 8, 250},   // the longest that fits a short answer under 3DES
      {232, 8, 258},   // one byte more
      {223, 16, 242},  // the longest under AES
      {2, 16, 33},     // 7C 00 under AES: a recorded GENERAL AUTHENTICATE answer
      {0, 16, 14},     // no data, DO'99' and DO'8E': a recorded MSE:Set AT answer
  };
  for (const TAnswerLengthCase& c : cases)
    EXPECT_EQ(ProtectedAnswerLength(c.Data, c.BlockSize), c.Answer) << c.Data << " bytes, block " << c.BlockSize;
}

enum class TChannelKind { Plain, TripleDes, Aes };

std::unique_ptr<TSecureChannel> MakeChannel(TChannelKind kind, tMRTD_CTX& session) {
  switch (kind) {
    case TChannelKind::Plain:
      return std::make_unique<TPlainChannel>();
    case TChannelKind::TripleDes:
      session.BacEnabled = true;
      return std::make_unique<TBacChannel>(session);
    case TChannelKind::Aes:
      break;
  }
  return std::make_unique<TAesChannel>(TSecretBuffer(TBytes(16, 0x11)), TSecretBuffer(TBytes(16, 0x22)));
}

constexpr TLengthLimits kExtendedReader{.ReaderMaxData = 65536};
const TLengthLimits kExtendedBoth = ChipWithExtendedLength(kExtendedReader);

struct TFitCase {
  std::string Name;
  TChannelKind Channel;
  std::size_t SignatureLength;
  bool Possible;
  std::string Reason;          // when not possible
  TLengthLimits Lengths = {};  // short APDUs on both sides unless given
  bool Extended = false;       // when possible: the command goes with extended length fields
};
void PrintTo(const TFitCase& c, std::ostream* out) { *out << c.Name; }

class AnswerFit : public ::testing::TestWithParam<TFitCase> {
protected:
  void SetUp() override { ResetReaderLink(); }
  void TearDown() override { ResetReaderLink(); }
  TFakeCardApi card;
  TFakePiccView view;
  TFixedRandomSource random{Hex("0102030405060708")};
};

TEST_P(AnswerFit, DecidesBeforeSendingAnything) {
  const TFitCase& c = GetParam();
  tMRTD_CTX session{};
  TCardSession channel = SessionWith(session, MakeChannel(c.Channel, session));
  channel.SetLengths(c.Lengths);
  card.Script = {{Hex("6A88")}};

  const TInternalAuthenticateResult result = PerformInternalAuthenticate(channel, c.SignatureLength, "RSA-x signature");

  if (c.Possible) {
    ASSERT_EQ(card.Commands.size(), 1u);
    const std::optional<TCommandApdu> sent = ParseCommand(card.Commands[0]);
    ASSERT_TRUE(sent);
    EXPECT_EQ(sent->ExtendedLength, c.Extended);
    if (c.Extended) {
      EXPECT_EQ(sent->Le, 65536u) << "the whole answer asked for: Le 00 00";
    }
    EXPECT_EQ(result.Outcome, TInternalAuthenticateOutcome::Failed);
    EXPECT_EQ(result.Reason, "INTERNAL AUTHENTICATE refused, status 6A88");
  } else {
    EXPECT_TRUE(card.Commands.empty()) << "nothing goes to the chip";
    EXPECT_EQ(random.Remaining(), 8u) << "no challenge drawn";
    EXPECT_EQ(result.Outcome, TInternalAuthenticateOutcome::NotPossible);
    EXPECT_EQ(result.Reason, c.Reason);
  }
}

const TFitCase kFitCases[] = {
    {"Rsa2048UnderAes", TChannelKind::Aes, 256, false,
     "RSA-x signature needs extended-length APDUs; the reader has short APDUs only"},
    {"Rsa1792UnderAes", TChannelKind::Aes, 224, false,
     "RSA-x signature needs extended-length APDUs; the reader has short APDUs only"},
    {"Rsa2048UnderTripleDes", TChannelKind::TripleDes, 256, false,
     "RSA-x signature needs extended-length APDUs; the reader has short APDUs only"},
    {"Rsa2048UnderAesReaderOnly", TChannelKind::Aes, 256, false,
     "RSA-x signature needs extended-length APDUs; the chip has short APDUs only", kExtendedReader},
    {"Rsa2048UnderAesChipOnly", TChannelKind::Aes, 256, false,
     "RSA-x signature needs extended-length APDUs; the reader has short APDUs only", ChipWithExtendedLength({})},
    {"Rsa2048UnderAesBoth", TChannelKind::Aes, 256, true, "", kExtendedBoth, true},
    {"Rsa4096UnderTripleDesBoth", TChannelKind::TripleDes, 512, true, "", kExtendedBoth, true},
    {"Rsa2048PlainBoth", TChannelKind::Plain, 256, true, "", kExtendedBoth, true},
    // The reader takes extended length but not this much: 547 answer bytes for RSA-4096 under AES.
    {"Rsa4096UnderAesSmallReader", TChannelKind::Aes, 512, false,
     "a 547-byte answer is longer than reader and chip take", ChipWithExtendedLength({.ReaderMaxData = 512})},
    // Short answers stay short even where both take extended length.
    {"Rsa1792UnderTripleDesBoth", TChannelKind::TripleDes, 224, true, "", kExtendedBoth, false},
    {"Rsa1792UnderTripleDes", TChannelKind::TripleDes, 224, true, ""},
    {"Rsa1784UnderAes", TChannelKind::Aes, 223, true, ""},
    {"EcdsaP521UnderAes", TChannelKind::Aes, 132, true, ""},
    // In plain the answer is the signature and the status word, which the
    // reader link takes up to kResponseCapacity (255) bytes.
    {"Rsa2024Plain", TChannelKind::Plain, 253, true, ""},
    {"Rsa2048Plain", TChannelKind::Plain, 256, false,
     "RSA-x signature needs extended-length APDUs; the reader has short APDUs only"},
};

INSTANTIATE_TEST_SUITE_P(Table, AnswerFit, ::testing::ValuesIn(kFitCases),
                         [](const auto& info) { return info.param.Name; });

class InternalAuthenticatePlain : public ::testing::Test {
protected:
  void SetUp() override { ResetReaderLink(); }
  void TearDown() override { ResetReaderLink(); }
  TFakeCardApi card;
  TFakePiccView view;
  tMRTD_CTX record{};
  TCardSession channel{record};
};

TEST_F(InternalAuthenticatePlain, SendsTheChallengeAndTakesTheAnswer) {
  // The challenge and plain command of the recorded Active Authentication.
  TFixedRandomSource random(Hex("96302B0F3D7E7864"));
  const TBytes signature(128, 0x5A);
  card.Script = {{Concat({signature, Hex("9000")})}};

  const TInternalAuthenticateResult result = PerformInternalAuthenticate(channel, 128);

  ASSERT_EQ(card.Commands.size(), 1u);
  EXPECT_EQ(ToHex(card.Commands[0]), "008800000896302B0F3D7E786400");
  EXPECT_EQ(result.Outcome, TInternalAuthenticateOutcome::Signed);
  EXPECT_EQ(ToHex(result.Challenge), "96302B0F3D7E7864");
  EXPECT_EQ(result.Signature, signature);
}

struct TFailureCase {
  std::string Name;
  TAnswer Answer;
  std::string Reason;
};
void PrintTo(const TFailureCase& c, std::ostream* out) { *out << c.Name; }

class InternalAuthenticateFailures : public InternalAuthenticatePlain,
                                     public ::testing::WithParamInterface<TFailureCase> {};

TEST_P(InternalAuthenticateFailures, GiveTheirReason) {
  TFixedRandomSource random(Hex("0102030405060708"));
  card.Script = {GetParam().Answer};
  const TInternalAuthenticateResult result = PerformInternalAuthenticate(channel, 128);
  EXPECT_EQ(result.Outcome, TInternalAuthenticateOutcome::Failed);
  EXPECT_EQ(result.Reason, GetParam().Reason);
  EXPECT_TRUE(result.Signature.empty());
}

const TFailureCase kFailureCases[] = {
    {"Refused", {Hex("6982")}, "INTERNAL AUTHENTICATE refused, status 6982"},
    {"ConnectionLost", {{}, kCardRemoved}, "connection error"},
};

INSTANTIATE_TEST_SUITE_P(Table, InternalAuthenticateFailures, ::testing::ValuesIn(kFailureCases),
                         [](const auto& info) { return info.param.Name; });

}  // namespace
