#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "card/FileSteps.h"
#include "card/messaging/BacChannel.h"
#include "card/messaging/PlainCommands.h"
#include "card/messaging/SecureCommands.h"
#include "card/messaging/SecureResponses.h"
#include "crypto/TripleDes.h"
#include "reader/ApduExchange.h"
#include "support/CardSessions.h"
#include "support/FakeCard.h"
#include "support/FakePiccView.h"
#include "support/IcaoWorkedExample.h"
#include "support/SimulatedChipCard.h"

namespace {

tMRTD_CTX WorkedExampleSession(const std::string& ssc) {
  tMRTD_CTX ctx{};
  ctx.BacEnabled = true;
  std::ranges::copy(icao::kSessionEnc, ctx.encK.begin());
  std::ranges::copy(icao::kSessionMac, ctx.macK.begin());
  const TBytes counter = Hex(ssc);
  std::ranges::copy(counter, ctx.SSC.begin());
  return ctx;
}

void PutAnswer(const TBytes& answer) {
  ReaderLink().ClearApduBuffers();
  std::ranges::copy(answer, ReaderLink().RecvBuf.begin());
  ReaderLink().RecvLen = static_cast<std::uint32_t>(answer.size());
}

class SecureMessaging : public ::testing::Test {
protected:
  void SetUp() override { ResetReaderLink(); }
  void TearDown() override { ResetReaderLink(); }
  TFakePiccView view;
};

TEST_F(SecureMessaging, WorkedExampleCommandsAreBuiltByteForByte) {
  tMRTD_CTX ctx = WorkedExampleSession("887022120C06C226");
  std::array<std::uint8_t, 11> do87{};
  EXPECT_EQ(BuildEncryptedDataObject(ctx, Hex("011E"), do87), 11u);
  EXPECT_EQ(ToHex(do87), ToHex(icao::kSelectDo87));

  EXPECT_EQ(ToHex(BuildSecureSelectFile(ctx, 0).Encode()), ToHex(icao::kSelectCommand));
  EXPECT_EQ(ToHex(ctx.SSC), "887022120C06C227");

  ctx.SSC.back() = 0x28;
  EXPECT_EQ(ToHex(BuildSecureReadBinary(ctx, 0, 4).value().Encode()), ToHex(icao::kRead1Command));
  ctx.SSC.back() = 0x2A;
  EXPECT_EQ(ToHex(BuildSecureReadBinary(ctx, 4, 18).value().Encode()), ToHex(icao::kRead2Command));
  EXPECT_EQ(ToHex(ctx.SSC), "887022120C06C22B");
}

TEST_F(SecureMessaging, SelectEnciphersTheFileIdentifier) {
  const std::vector<std::pair<std::uint8_t, std::string>> cases{{0, "011E"}, {1, "0101"}, {2, "0102"}, {11, "010B"}};
  for (const auto& [number, identifier] : cases) {
    tMRTD_CTX ctx = WorkedExampleSession("0000000000000010");
    const TBytes sent = BuildSecureSelectFile(ctx, number).Encode();
    ASSERT_EQ(sent.size(), 27u);
    EXPECT_EQ(ToHex(std::span(sent).first(8)).substr(0, 16), "0CA4020C15870901");
    EXPECT_EQ(sent[16], 0x8E);
    EXPECT_EQ(sent[17], 0x08);
    EXPECT_EQ(sent[26], 0x00);
    std::array<std::uint8_t, 8> plain{};
    EXPECT_EQ(Decrypt3Des(ctx, std::span(sent).subspan(8, 8), plain), 2u);
    EXPECT_EQ(ToHex(plain), identifier + "800000000000");
    EXPECT_EQ(ToHex(ctx.SSC), "0000000000000011");
  }
}

struct TReadCommandCase {
  std::uint16_t Offset, Length;
  std::string Start;  // CLA INS P1 P2 Lc DO'97'
};

TEST_F(SecureMessaging, ReadBinaryCarriesOffsetAndLe) {
  const std::vector<TReadCommandCase> cases{
      {0x0164, 100, "0CB001640D970164"}, {0, 256, "0CB000000D970100"},  {0, 0, "0CB000000D970100"},
      {0xFFFF, 1, "0CB0FFFF0D970101"},   {200, 50, "0CB000C80D970132"},
  };
  for (const auto& c : cases) {
    tMRTD_CTX ctx = WorkedExampleSession("0000000000000001");
    const TBytes sent = BuildSecureReadBinary(ctx, c.Offset, c.Length).value().Encode();
    ASSERT_EQ(sent.size(), 19u);
    EXPECT_EQ(ToHex(sent).substr(0, 16), c.Start);
    EXPECT_EQ(ToHex(std::span(sent).subspan(8, 2)), "8E08");
    EXPECT_EQ(sent[18], 0x00);
    EXPECT_EQ(ToHex(ctx.SSC), "0000000000000002");
  }
}

TEST_F(SecureMessaging, ReadBinaryOfMoreThan256BytesBuildsNothing) {
  tMRTD_CTX ctx = WorkedExampleSession("0000000000000001");
  EXPECT_FALSE(BuildSecureReadBinary(ctx, 0, 257).has_value());
  EXPECT_EQ(ToHex(ctx.SSC), "0000000000000001");
}

TEST_F(SecureMessaging, StatusWordIsTheLastTwoBytes) {
  const std::vector<std::pair<std::string, std::uint16_t>> cases{{"", 0xFFFF},
                                                                 {"90", 0xFFFF},
                                                                 {"9000", 0x9000},
                                                                 {"615B6A82", 0x6A82},
                                                                 {"990290008E08FA855A5D4C50A8ED6982", 0x6982}};
  for (const auto& [answer, status] : cases) EXPECT_EQ(GetStatusWord(Hex(answer)), status) << answer;
}

TEST_F(SecureMessaging, SelectAnswerIsCheckedByItsMac) {
  tMRTD_CTX ctx = WorkedExampleSession("887022120C06C227");
  PutAnswer(icao::kSelectAnswer);
  EXPECT_TRUE(CheckSelectResponse(ctx, ReaderLink().Response()));
  EXPECT_EQ(ToHex(ctx.SSC), "887022120C06C228");

  TBytes altered = icao::kSelectAnswer;
  altered[13] ^= 0x80;
  ctx = WorkedExampleSession("887022120C06C227");
  PutAnswer(altered);
  EXPECT_FALSE(CheckSelectResponse(ctx, ReaderLink().Response()));
  EXPECT_EQ(ToHex(ctx.SSC), "887022120C06C228");

  // A bare 90 00 compares against the cleared buffer and fails.
  ctx = WorkedExampleSession("887022120C06C227");
  PutAnswer(Hex("9000"));
  EXPECT_FALSE(CheckSelectResponse(ctx, ReaderLink().Response()));
  EXPECT_TRUE(view.Lines.empty());
}

TEST_F(SecureMessaging, ReadAnswersOfTheWorkedExampleUnwrap) {
  struct TCase {
    std::string Ssc;
    TBytes Answer, Plaintext;
  };
  const std::vector<TCase> cases{{"887022120C06C229", icao::kRead1Answer, icao::kRead1Plaintext},
                                 {"887022120C06C22B", icao::kRead2Answer, icao::kRead2Plaintext}};
  for (const auto& c : cases) {
    tMRTD_CTX ctx = WorkedExampleSession(c.Ssc);
    PutAnswer(c.Answer);
    std::array<std::uint8_t, 256> plain{};
    std::size_t length = 0;
    EXPECT_EQ(UnwrapReadResponse(ctx, ReaderLink().Response(), plain, length), TUnwrapResult::Ok);
    EXPECT_EQ(length, c.Plaintext.size());
    EXPECT_EQ(ToHex(std::span(plain).first(length)), ToHex(c.Plaintext));
    EXPECT_EQ(plain[length], 0x80) << "the deciphered padding stays in the buffer";
    TBytes after = Hex(c.Ssc);
    after.back() += 1;
    EXPECT_EQ(ToHex(ctx.SSC), ToHex(after));
  }
  EXPECT_TRUE(view.Lines.empty());
}

TEST_F(SecureMessaging, ReadAnswerWithAWrongMacIsRefusedAfterAdvancingTheCounter) {
  tMRTD_CTX ctx = WorkedExampleSession("887022120C06C229");
  TBytes answer = icao::kRead1Answer;
  answer[answer.size() - 3] ^= 0x01;
  PutAnswer(answer);
  std::array<std::uint8_t, 256> plain{};
  std::size_t length = 99;
  EXPECT_EQ(UnwrapReadResponse(ctx, ReaderLink().Response(), plain, length), TUnwrapResult::WrongMac);
  EXPECT_EQ(ToHex(ctx.SSC), "887022120C06C22A");
  EXPECT_TRUE(std::ranges::all_of(plain, [](auto b) { return b == 0; }));
  EXPECT_TRUE(view.Lines.empty()) << "the caller logs its own line";
}

TEST_F(SecureMessaging, LongFormLengthOfDo87IsFollowed) {
  // 87 81 09 01 <8>: k = 1, the MAC input is L + 7 bytes, the cryptogram starts at byte 4.
  tMRTD_CTX ctx = WorkedExampleSession("0000000000000100");
  const simchip::TKeyPair keys = ChipSessionKeys(ctx);
  simchip::TSecureChannel shortChip(keys, ctx.SSC);
  const TBytes shortForm = shortChip.Wrap(Hex("61025F01"), 0x9000);  // 87 09 01 ...
  ASSERT_EQ(shortForm[1], 0x09);
  simchip::TSecureChannel chip(keys, ctx.SSC);
  const TBytes longForm = chip.Wrap(Hex("61025F01"), 0x9000, {.LongFormLength = true});
  ASSERT_EQ(ToHex(std::span(longForm).first(3)), "878109");
  // The same cryptogram and DO'99' as in the short form; the MAC covers the longer header.
  ASSERT_EQ(ToHex(std::span(longForm).subspan(3, 13)), ToHex(std::span(shortForm).subspan(2, 13)));
  PutAnswer(longForm);
  std::array<std::uint8_t, 256> plain{};
  std::size_t length = 0;
  EXPECT_EQ(UnwrapReadResponse(ctx, ReaderLink().Response(), plain, length), TUnwrapResult::Ok);
  EXPECT_EQ(ToHex(std::span(plain).first(length)), "61025F01");

  // A cryptogram of 128 bytes needs the 0x81 form anyway.
  TBytes data(120);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i + 1);
  PutAnswer(chip.Wrap(data, 0x9000));
  ASSERT_EQ(ToHex(std::span(ReaderLink().RecvBuf).first(4)), "87818101");
  EXPECT_EQ(UnwrapReadResponse(ctx, ReaderLink().Response(), plain, length), TUnwrapResult::Ok);
  EXPECT_EQ(ToHex(std::span(plain).first(length)), ToHex(data));
  EXPECT_EQ(ctx.SSC, chip.Counter());
}

struct TUnsafeCase {
  std::string Name;
  TBytes Answer;
  std::size_t Capacity;
  TUnwrapResult Result;
  std::string Line;
};

TEST_F(SecureMessaging, ShortAndUnsafeAnswersAreRejectedWithoutReadingBeyondThem) {
  const TBytes tail = Hex("990290008E080102030405060708 9000");  // DO'99', DO'8E', SW: 16 bytes
  const std::vector<TUnsafeCase> cases{
      {"empty", {}, 256, TUnwrapResult::TooShort, "Hata #1 : 0"},
      {"plain answer of 4 data bytes", Hex("615B5F1F9000"), 256, TUnwrapResult::TooShort, "Hata #1 : 6"},
      {"nine bytes", Hex("870901AABBCCDD9000"), 256, TUnwrapResult::TooShort, "Hata #1 : 9"},
      {"indefinite length form", Concat({Hex("878001"), TBytes(8), tail}), 256, TUnwrapResult::Rejected,
       "Hata #2 : 128"},
      {"three length bytes", Concat({Hex("8783000009 01"), TBytes(8), tail}), 256, TUnwrapResult::Rejected,
       "Hata #2 : 131"},
      {"DO'87' longer than the answer", Concat({Hex("877001"), TBytes(8), tail}), 256, TUnwrapResult::Rejected,
       "Hata #3 : 27"},
      {"DO'87' reaching into the MAC", Concat({Hex("870C01"), TBytes(8), tail}), 256, TUnwrapResult::Rejected,
       "Hata #3 : 27"},
      {"long form reaching beyond", Concat({Hex("8781FF01"), TBytes(8), tail}), 256, TUnwrapResult::Rejected,
       "Hata #3 : 28"},
      // An extended answer's DO'87' length counts whole: its high byte is no longer dropped.
      {"82 form, its high byte reaching beyond", Concat({Hex("8782010901"), TBytes(8), tail}), 256,
       TUnwrapResult::Rejected, "Hata #3 : 29"},
      {"82 form, a cryptogram larger than the buffer", Concat({Hex("8782011101"), TBytes(272), tail}), 256,
       TUnwrapResult::Rejected, "Hata #5 : 272"},
      {"empty cryptogram", Concat({Hex("870101"), tail}), 256, TUnwrapResult::Rejected, "Hata #4 : 0"},
      {"no indicator byte", Concat({Hex("8700"), tail}), 256, TUnwrapResult::Rejected, "Hata #4 : -1"},
      {"cryptogram of 5 bytes", Concat({Hex("870601"), TBytes(5), tail}), 256, TUnwrapResult::Rejected, "Hata #4 : 5"},
      {"cryptogram larger than the buffer", Concat({Hex("871101"), TBytes(16), tail}), 8, TUnwrapResult::Rejected,
       "Hata #5 : 16"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    view.Lines.clear();
    tMRTD_CTX ctx = WorkedExampleSession("887022120C06C229");
    PutAnswer(c.Answer);
    std::vector<std::uint8_t> plain(c.Capacity, 0xCC);
    std::size_t length = 77;
    EXPECT_EQ(UnwrapReadResponse(ctx, ReaderLink().Response(), plain, length), c.Result);
    EXPECT_EQ(view.Texts(), std::vector<std::string>{c.Line});
    EXPECT_EQ(ToHex(ctx.SSC), "887022120C06C229") << "no MAC was computed";
    EXPECT_EQ(length, 77u);
    EXPECT_TRUE(std::ranges::all_of(plain, [](auto b) { return b == 0xCC; }));
  }
}

// One protected exchange against a chip in session: the counter moves once
// for the command and once more for every answer whose MAC is checked.
struct TExchangeCase {
  std::string Name;
  bool Select;
  bool ProtectedRefusals;
  std::uint8_t Number;
  TFakeCardApi::TTamper Tamper;
  int Advance;
  std::vector<std::string> Lines;
  bool InStepWithChip;
};

TEST_F(SecureMessaging, CounterAdvancePerExchange) {
  constexpr TStepTexts kTexts{"MrtdBacSelectDG connection error.", "Wrong MAC(%d)", "File not found(%d)",
                              "Bad status word %04X"};
  const std::vector<TExchangeCase> cases{
      {"select answered 9000", true, false, 1, {}, 2, {}, true},
      {"read answered 9000", false, false, 1, {}, 2, {}, true},
      {"select answered plain 6A82", true, false, 5, {}, 1, {"File not found(5)"}, true},
      {"select answered protected 6A82", true, true, 5, {}, 2, {"File not found(5)"}, true},
      {"protected 6A82 with a wrong MAC", true, true, 5, FlipByte(-3), 2, {"Wrong MAC(5)"}, true},
      {"read answered plain 6982", false, false, 1, StatusOnly(0x6982), 1, {"Bad status word 6982"}, false},
      {"read answered too short",
       false,
       false,
       1,
       [](TAnswer) { return TAnswer{Hex("615B5F1F9000")}; },
       1,
       {"Hata #1 : 6"},
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    view.Lines.clear();
    simchip::TSimulatedChip chip(ChipFiles({{1, Hex("615B5F1F0102")}}), icao::kMrzInformation);
    chip.Options().ProtectedErrors = c.ProtectedRefusals;
    const tMRTD_CTX start = WorkedExampleSession("00000000000000F0");
    StartChipSession(chip, start);
    TFakeCardApi card;
    card.Responder = AnswerFrom(chip);
    if (c.Tamper) card.Tamper[c.Select ? 0 : 1] = c.Tamper;
    tMRTD_CTX ctx = start;
    TCardSession session = BacSession(ctx);
    const auto select = [&] { return SelectFileStep(session, BuildSelectFile(c.Number), kTexts, c.Number); };
    if (!c.Select) {  // select first, then count the read alone
      ASSERT_TRUE(select());
    }
    const t64Bit before = ctx.SSC;
    std::array<std::uint8_t, 256> plain{};
    if (c.Select) {
      select();
    } else if (const auto answer = ReadBinaryStep(session, 0, 4, TClearBuffers::Yes, kTexts, c.Number, plain);
               answer && AcceptStatusStep(answer->Status(), kTexts, c.Number)) {
      TakeDataStep(*answer, kTexts, c.Number);
    }
    EXPECT_EQ(ctx.SSC[7] - before[7], c.Advance);
    EXPECT_EQ(view.Texts(), c.Lines);
    if (c.InStepWithChip) {
      EXPECT_EQ(chip.SessionCounter(), ctx.SSC);
    }
  }
}

}  // namespace
