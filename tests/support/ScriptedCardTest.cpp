// The scripted card as the program's reader link and the tests meet it:
// through the PC/SC seam's own calls.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "support/CardTampers.h"
#include "support/Hex.h"
#include "support/ScriptedCard.h"

namespace {

struct TReply {
  std::int32_t Result;
  TBytes Bytes;
};

TReply Send(TScriptedCard& card, const TBytes& command, std::size_t capacity = 258) {
  std::vector<std::uint8_t> response(capacity);
  std::uint32_t length = 99;
  const std::int32_t result = card.Transmit(1, kScardProtocolT1, command, response, length);
  response.resize(length);
  return {result, response};
}

TEST(ScriptedCard, AnswersInOrderAndChecksExpectedCommands) {
  TScriptedCard card;
  std::vector<std::string> complaints;
  card.Complain = [&complaints](const std::string& what) { complaints.push_back(what); };
  card.Expect(Hex("0084000008"), Hex("0102030405060708 9000"));
  card.Script.push_back({Hex("6982")});  // any command
  card.Expect(Hex("00A4020C02011E"), Hex("9000"));

  struct TStep {
    TBytes Command;
    TBytes Answer;
    std::size_t Mismatches;
  };
  const std::vector<TStep> steps{
      {Hex("0084000008"), Hex("01020304050607089000"), 0},
      {Hex("00B0000004"), Hex("6982"), 0},
      {Hex("00A4020C020101"), Hex("9000"), 1},  // not the command expected: counted, still answered
      {Hex("00B0000004"), Hex("6F00"), 2},      // after the script
  };
  for (std::size_t i = 0; i < steps.size(); ++i) {
    const TReply reply = Send(card, steps[i].Command);
    EXPECT_EQ(reply.Result, kScardSuccess) << i;
    EXPECT_EQ(ToHex(reply.Bytes), ToHex(steps[i].Answer)) << i;
    EXPECT_EQ(card.Mismatches, steps[i].Mismatches) << i;
  }
  ASSERT_EQ(complaints.size(), 2u);
  EXPECT_EQ(complaints[0], "command 2: expected 00A4020C02011E, sent 00A4020C020101");
  EXPECT_EQ(complaints[1], "unexpected command 00B0000004");
  ASSERT_EQ(card.Exchanges.size(), 4u);
  EXPECT_EQ(ToHex(card.Exchanges[1].Command), "00B0000004");
  EXPECT_EQ(ToHex(card.Exchanges[1].Bytes), "6982");
  EXPECT_EQ(card.Commands.size(), 4u);
  EXPECT_EQ(card.Transmits, 4u);
}

TEST(ScriptedCard, CyclesRewindsAndRestartsAtConnect) {
  TScriptedCard card;
  card.Script = AnswersOf({Hex("6100"), Hex("6200")});
  card.Cycle = true;
  std::vector<std::string> answers;
  for (int i = 0; i < 5; ++i) answers.push_back(ToHex(Send(card, Hex("00")).Bytes));
  EXPECT_EQ(answers, (std::vector<std::string>{"6100", "6200", "6100", "6200", "6100"}));

  card.Cycle = false;
  card.Rewind();
  EXPECT_EQ(card.Played(), 0u);
  Send(card, Hex("00"));
  EXPECT_EQ(card.Played(), 1u);

  card.RestartAtConnect = true;
  TScardHandle handle = 0;
  std::uint32_t protocol = 0;
  ASSERT_EQ(card.Connect(1, "any", kScardShareShared, kScardProtocolAny, handle, protocol), kScardSuccess);
  EXPECT_EQ(card.Played(), 0u);
  EXPECT_TRUE(card.Commands.empty());
  EXPECT_EQ(ToHex(Send(card, Hex("00")).Bytes), "6100");
}

TEST(ScriptedCard, ErrorsAndTamperingPerCommand) {
  TScriptedCard card;
  card.Script = AnswersOf({Hex("0102 9000"), Hex("0102 9000"), Hex("0102 9000"), Hex("0102 9000"), Hex("0102 9000")});
  card.Tamper[1] = ConnectionLost;
  card.Tamper[2] = PcscError(ScardCode(kScardENotTransacted));
  card.Tamper[3] = StatusOnly(0x6988);
  card.Tamper[4] = FlipByte(-3);
  const std::vector<TReply> expected{{kScardSuccess, Hex("01029000")},
                                     {kCardRemoved, {}},
                                     {ScardCode(kScardENotTransacted), {}},
                                     {kScardSuccess, Hex("6988")},
                                     {kScardSuccess, Hex("01039000")}};
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const TReply reply = Send(card, Hex("00B0000002"));
    EXPECT_EQ(reply.Result, expected[i].Result) << i;
    EXPECT_EQ(ToHex(reply.Bytes), ToHex(expected[i].Bytes)) << i;
  }
  // An answer longer than the capacity granted: the resource manager's error, nothing delivered.
  card.Script = AnswersOf({Hex("010203 9000")});
  card.Rewind();
  card.Tamper.clear();
  const TReply tooLong = Send(card, Hex("00B0000003"), 4);
  EXPECT_EQ(tooLong.Result, ScardCode(kScardEInsufficientBuffer));
  EXPECT_TRUE(tooLong.Bytes.empty());
}

TEST(ScriptedCard, ResponderAndPassThroughAnswerWhatTheScriptDoesNot) {
  TScriptedCard inner;
  inner.Responder = [](const TBytes& command) { return TAnswer{Concat({command, Hex("9000")})}; };
  TScriptedCard card;
  card.Behind = &inner;
  std::size_t watched = 0;
  card.BeforeTransmit = [&](std::span<const std::uint8_t>) { watched = card.Transmits; };
  EXPECT_EQ(ToHex(Send(card, Hex("AB")).Bytes), "AB9000");
  EXPECT_EQ(watched, 1u);
  EXPECT_EQ(inner.Commands.size(), 1u);
  card.Responder = [](const TBytes&) { return TAnswer{Hex("6D00")}; };
  EXPECT_EQ(ToHex(Send(card, Hex("AB")).Bytes), "6D00");
  EXPECT_EQ(inner.Commands.size(), 1u);
}

TEST(ScriptedCard, ReaderSide) {
  TScriptedCard card;
  std::array<std::uint8_t, 64> buffer{};
  std::uint32_t length = buffer.size();
  EXPECT_EQ(card.ListReaders(1, buffer, length), ScardCode(kScardENoReadersAvailable));

  card.Readers = {"A 00", "B 01"};
  length = buffer.size();
  ASSERT_EQ(card.ListReaders(1, buffer, length), kScardSuccess);
  EXPECT_EQ(length, 11u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer.data()), length), std::string("A 00\0B 01\0\0", 11));
  EXPECT_EQ(card.OfferedListLength, 64u);
  length = 10;
  EXPECT_EQ(card.ListReaders(1, buffer, length), ScardCode(kScardEInsufficientBuffer));

  TScardHandle handle = 0;
  std::uint32_t protocol = 0;
  card.Handle = 9;
  EXPECT_EQ(card.Connect(1, "C", kScardShareShared, kScardProtocolAny, handle, protocol), kScardSuccess);
  EXPECT_EQ(handle, 9);
  EXPECT_EQ(protocol, kScardProtocolT1);
  card.RefuseUnlisted = true;
  EXPECT_EQ(card.Connect(1, "C", kScardShareShared, kScardProtocolAny, handle, protocol),
            ScardCode(kScardEUnknownReader));
  EXPECT_EQ(card.Connect(1, "B 01", kScardShareShared, kScardProtocolAny, handle, protocol), kScardSuccess);
  EXPECT_EQ(card.Disconnect(0, kScardUnpowerCard), ScardCode(kScardEInvalidHandle));
  EXPECT_EQ(card.Disconnect(9, kScardUnpowerCard), kScardSuccess);
  const std::vector<std::string> calls{"connect C 2 3", "connect C 2 3", "connect B 01 2 3", "disconnect 0 2",
                                       "disconnect 9 2"};
  EXPECT_EQ(card.Calls, calls);
  EXPECT_EQ(card.Connects, 3u);
}

}  // namespace
