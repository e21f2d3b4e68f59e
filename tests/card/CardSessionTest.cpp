// The card session against the simulated chip of the tools folder (its own
// 3DES secure messaging): what Transmit gives for each kind of answer, and
// that the secure messaging in force is the only one that wraps and checks.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "card/CardSession.h"
#include "card/messaging/PlainCommands.h"
#include "card/messaging/SecureMessagingStart.h"
#include "reader/ApduExchange.h"
#include "support/CardSessions.h"
#include "support/FakeCard.h"
#include "support/FakePiccView.h"
#include "support/IcaoWorkedExample.h"
#include "support/SimulatedChipCard.h"

namespace {

// The worked example's session keys in force, the counter at F0.
tMRTD_CTX SessionRecord() {
  tMRTD_CTX ctx{};
  ctx.BacEnabled = true;
  std::ranges::copy(icao::kSessionEnc, ctx.encK.begin());
  std::ranges::copy(icao::kSessionMac, ctx.macK.begin());
  ctx.SSC.back() = 0xF0;
  return ctx;
}

struct TTransmitCase {
  const char* Name;
  std::uint8_t File;             // selected first; file 5 is absent
  bool Read;                     // then READ BINARY of 4 bytes, the exchange looked at
  TFakeCardApi::TTamper Tamper;  // on the exchange looked at
  TAnswerForm Form;              // of the exchange looked at when it is the SELECT
  TCardError Error;
  std::uint16_t Status;
  std::string Data;
  std::vector<std::string> Lines;
  bool InStepWithChip;
};

const std::vector<TTransmitCase> kTransmitCases{
    {"read taken", 1, true, {}, TAnswerForm::Data, TCardError::None, 0x9000, "615B5F1F", {}, true},
    {"read with a wrong MAC", 1, true, FlipByte(-3), TAnswerForm::Data, TCardError::WrongMac, 0x9000, "", {}, true},
    {"read too short",
     1,
     true,
     StatusOnly(0x9000),
     TAnswerForm::Data,
     TCardError::TooShort,
     0x9000,
     "",
     {"Hata #1 : 2"},
     false},
    {"read with the card gone",
     1,
     true,
     ConnectionLost,
     TAnswerForm::Data,
     TCardError::LinkLost,
     kSwNoStatus,
     "",
     {},
     false},
    {"protected refusal", 5, false, {}, TAnswerForm::Status, TCardError::None, 0x6A82, "", {}, true},
    {"protected refusal with a wrong MAC",
     5,
     false,
     FlipByte(-3),
     TAnswerForm::Status,
     TCardError::WrongMac,
     0x6A82,
     "",
     {},
     true},
    // The proof of Chip Authentication's new keys: any refusal ends it, so it is taken unchecked.
    {"refusal to a proof, wrong MAC",
     5,
     false,
     FlipByte(-3),
     TAnswerForm::StatusWhenAccepted,
     TCardError::None,
     0x6A82,
     "",
     {},
     false},
};

TEST(CardSession, TransmitTakesOrNamesWhatCameBack) {
  for (const TTransmitCase& c : kTransmitCases) {
    SCOPED_TRACE(c.Name);
    ResetReaderLink();
    TFakePiccView view;
    simchip::TSimulatedChip chip(ChipFiles({{1, Hex("615B5F1F0102")}}), icao::kMrzInformation);
    chip.Options().ProtectedErrors = true;
    const tMRTD_CTX start = SessionRecord();
    StartChipSession(chip, start);
    TFakeCardApi card;
    card.Responder = AnswerFrom(chip);
    if (c.Tamper) card.Tamper[c.Read ? 1 : 0] = c.Tamper;
    tMRTD_CTX ctx = start;
    TCardSession session = BacSession(ctx);

    const TCommandApdu select = BuildSelectFileId(static_cast<std::uint16_t>(0x0100 | c.File));
    TCardAnswer answer = session.Transmit(select, {.Form = c.Read ? TAnswerForm::Status : c.Form});
    if (c.Read) {
      ASSERT_TRUE(answer.Taken());
      ASSERT_EQ(answer.Status(), kSwSuccess);
      answer = session.Transmit(BuildReadBinary(0, 4).value());
    }

    EXPECT_EQ(answer.Error, c.Error);
    EXPECT_EQ(answer.PcscResult, c.Error == TCardError::LinkLost ? kCardRemoved : 0);
    EXPECT_EQ(answer.Status(), c.Status);
    EXPECT_EQ(ToHex(answer.Response.Data), c.Data);
    EXPECT_EQ(view.Texts(), c.Lines);
    EXPECT_EQ(session.LastAnswer().Error, answer.Error);
    EXPECT_EQ(session.LastAnswer().Status(), answer.Status());
    // Every command went protected: CLA 0C.
    for (const TBytes& command : card.Commands) EXPECT_EQ(command[0], 0x0C);
    if (c.InStepWithChip) {
      EXPECT_EQ(chip.SessionCounter(), ctx.SSC);
    }
  }
  ResetReaderLink();
}

TEST(CardSession, PlainStepsAndInstalledSecureMessaging) {
  ResetReaderLink();
  TFakePiccView view;
  TFakeCardApi card;
  card.Script = {{Hex("01029000")}, {Hex("01029000")}, {Hex("6A82")}};
  tMRTD_CTX ctx = SessionRecord();
  TCardSession session(ctx);
  const TSecureChannel* none = &session.Messaging();

  // Without secure messaging a plain answer's data is taken.
  const TCardAnswer plain = session.Transmit(BuildReadBinary(0, 2).value());
  EXPECT_TRUE(plain.Taken());
  EXPECT_EQ(ToHex(plain.Response.Data), "0102");

  // Under 3DES, a plain step still goes as it is and comes back as it is.
  UseTripleDesRecord(session);
  EXPECT_NE(&session.Messaging(), none);
  const TCardAnswer step = session.TransmitPlain(BuildReadBinary(0, 2).value());
  EXPECT_TRUE(step.Taken());
  EXPECT_EQ(ToHex(step.Response.Data), "0102");
  ASSERT_EQ(card.Commands.size(), 2u);
  EXPECT_EQ(ToHex(card.Commands[1]), "00B0000002");
  EXPECT_EQ(ctx.SSC, SessionRecord().SSC) << "no counter step for a plain step";

  // A keyless 3DES record (after a failed BAC) still sends the EF.COM SELECT protected when asked.
  ctx.BacEnabled = false;
  const TCardAnswer refused =
      session.Transmit(BuildSelectFile(0), {.Form = TAnswerForm::Status, .Wrapping = TWrapping::EvenWithoutKeys});
  ASSERT_EQ(card.Commands.size(), 3u);
  EXPECT_EQ(card.Commands[2][0], 0x0C);
  EXPECT_TRUE(refused.Taken()) << "a bare refusal is taken as it is";
  EXPECT_EQ(refused.Status(), kSwFileNotFound);
  EXPECT_TRUE(view.Texts().empty());
  ResetReaderLink();
}

}  // namespace
