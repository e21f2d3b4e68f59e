#include <gtest/gtest.h>

#include <vector>

#include "card/CardSession.h"
#include "card/FileReading.h"
#include "reader/ApduExchange.h"
#include "reading/OpenDocument.h"
#include "support/FakeCard.h"
#include "support/FakePiccView.h"
#include "support/IcaoWorkedExample.h"
#include "support/SimulatedChipCard.h"

namespace {

const TBytes kSelectApplication = Hex("00A4040C07A0000002471001");
const TBytes kPlainSelectEfCom = Hex("00A4020C02011E");

class OpenDocumentTest : public ::testing::Test {
protected:
  void SetUp() override {
    ResetReaderLink();
    card.Responder = AnswerFrom(chip);
  }
  void TearDown() override { ResetReaderLink(); }

  TBytes EfComBuffer(const TBytes& file, std::size_t paddingAt) const {
    TBytes buffer(256, 0x00);
    std::ranges::copy(file, buffer.begin());
    buffer[paddingAt] = 0x80;
    return buffer;
  }

  TFakePiccView view;
  // Refuses the plain SELECT of EF.COM: BAC comes first.
  simchip::TSimulatedChip chip = WorkedExampleChip(ChipFiles({{0, icao::kEfCom}}), BacAtSelect());
  TFakeCardApi card;
  // Enough for two authentications.
  TFixedRandomSource random{Concat({icao::kRndIfd, icao::kKIfd, icao::kRndIfd, icao::kKIfd})};
  TEFComBuffer efCom{};
  tMRTD_CTX ctx{};
};

TEST_F(OpenDocumentTest, BacAtTheFirstReadWhenThePlainSelectIsAnswered) {
  chip.Options().RefusePlainSelect = false;  // only the plain READ BINARY is refused
  ctx.BacEnabled = true;                     // left from an earlier read: cleared at the start
  TCardSession session(ctx);
  OpenDocument(icao::kMrzInformation, efCom, session);
  ASSERT_EQ(card.Commands.size(), 8u);
  EXPECT_EQ(card.Commands[2], kPlainSelectEfCom);
  EXPECT_EQ(ToHex(card.Commands[3]), "00B0000004");  // plain read refused with 6982
  EXPECT_EQ(card.Commands[4], icao::kGetChallenge);
  EXPECT_EQ(ToHex(card.Commands[6]).substr(0, 16), "0CB000000D970104");  // repeated under secure messaging
  EXPECT_EQ(ToHex(card.Commands[7]).substr(0, 16), "0CB000040D970112");
  EXPECT_TRUE(ctx.BacEnabled);
  EXPECT_EQ(ToHex(efCom), ToHex(EfComBuffer(icao::kEfCom, 22)));
  EXPECT_TRUE(view.Lines.empty());
}

TEST_F(OpenDocumentTest, SecondBacWhenTheProtectedReadIsRefused) {
  card.Tamper[6] = StatusOnly(0x6982);  // the first protected read of EF.COM
  TCardSession session(ctx);
  OpenDocument(icao::kMrzInformation, efCom, session);
  ASSERT_EQ(card.Commands.size(), 11u);
  EXPECT_EQ(card.Commands[7], icao::kGetChallenge);
  EXPECT_EQ(card.Commands[8], icao::kExternalAuthenticate);  // the same fed nonce and key material
  EXPECT_TRUE(ctx.BacEnabled);
  EXPECT_EQ(ToHex(efCom), ToHex(EfComBuffer(icao::kEfCom, 22)));
  EXPECT_TRUE(view.Lines.empty());
  EXPECT_EQ(random.Remaining(), 0u);
}

TEST_F(OpenDocumentTest, ChipWithoutBacIsReadInPlain) {
  chip.Options().RequireBac = false;
  TCardSession session(ctx);
  OpenDocument(icao::kMrzInformation, efCom, session);
  ASSERT_EQ(card.Commands.size(), 5u);
  EXPECT_EQ(ToHex(card.Commands[0]), "00A4020C02011C");  // EF.CardAccess: not found, no PACE
  EXPECT_EQ(card.Commands[1], kSelectApplication);
  EXPECT_EQ(card.Commands[2], kPlainSelectEfCom);
  EXPECT_EQ(ToHex(card.Commands[3]), "00B0000004");
  EXPECT_EQ(ToHex(card.Commands[4]), "00B0000412");
  EXPECT_FALSE(ctx.BacEnabled);
  TBytes expected(256, 0x00);
  std::ranges::copy(icao::kEfCom, expected.begin());
  EXPECT_EQ(ToHex(efCom), ToHex(expected));
  EXPECT_TRUE(view.Lines.empty());
}

TEST_F(OpenDocumentTest, EfComOfFourBytesIsFollowedByAReadWithLe00) {
  chip.Files() = ChipFiles({{0, Hex("6002AABB")}});
  // The read at the file's end is answered with no data: a DO'87' of padding alone.
  chip.Options().EmptyReadAtEnd = true;
  TCardSession session(ctx);
  OpenDocument(icao::kMrzInformation, efCom, session);
  ASSERT_EQ(card.Commands.size(), 8u);
  EXPECT_EQ(ToHex(card.Commands[7]).substr(0, 16), "0CB000040D970100");
  EXPECT_EQ(ToHex(efCom), ToHex(EfComBuffer(Hex("6002AABB"), 4)));
  EXPECT_TRUE(view.Lines.empty());
}

struct TOpenCase {
  std::string Name;
  std::function<void(simchip::TSimulatedChip&)> Chip;
  std::map<std::size_t, TFakeCardApi::TTamper> Tamper;
  std::vector<std::string> Lines;
  std::size_t Commands;
};

TEST(OpenDocumentFailures, EachLogsItsLineAndLeavesEfComAsGiven) {
  ResetReaderLink();
  using TChip = simchip::TSimulatedChip;
  const auto noChange = [](TChip&) {};
  const auto plainChip = [](TChip& c) { c.Options().RequireBac = false; };
  const std::vector<TOpenCase> cases{
      {"EF.CardAccess select fails", noChange, {{0, ConnectionLost}}, {"MrtdSelectApplet connection error."}, 1},
      {"application select fails", noChange, {{1, ConnectionLost}}, {"MrtdSelectApplet connection error."}, 2},
      {"EF.COM select fails", noChange, {{2, ConnectionLost}}, {"MrtdSelectApplet connection error."}, 3},
      // No EF.COM on a chip read without access control: as under secure messaging.
      {"EF.COM absent",
       [](TChip& c) {
         c.Options().RequireBac = false;
         c.Files().clear();
       },
       {},
       {"EF.COM: absent; data groups from EF.SOD"},
       3},
      {"plain EF.COM select refused otherwise",
       noChange,
       {{2, StatusOnly(0x6A86)}},
       {"MrtdSelectDG : Bad status word 6A86"},
       3},
      {"EF.COM select refused oddly", noChange, {{2, StatusOnly(0x0090)}}, {"MrtdSelectDG : Bad status word 90"}, 3},
      {"BAC fails: protected select refused",
       noChange,
       {{4, StatusOnly(0x6300)}},
       {"MrtdIccGetChallenge : Wrong status word 6300", "MrtdBacSelectDG : Bad status word 6988"},
       6},
      {"protected select fails", noChange, {{5, ConnectionLost}}, {"MrtdBacSelectDG connection error."}, 6},
      // No EF.COM under BAC's secure messaging: the data groups are to come from EF.SOD.
      {"protected select: not found",
       [](TChip& c) { c.Files().clear(); },
       {},
       {"EF.COM: absent; data groups from EF.SOD"},
       6},
      {"protected select: not found in protected form",
       [](TChip& c) {
         c.Files().clear();
         c.Options().ProtectedErrors = true;
       },
       {},
       {"EF.COM: absent; data groups from EF.SOD"},
       6},
      {"protected select: protected refusal with a wrong MAC",
       [](TChip& c) {
         c.Files().clear();
         c.Options().ProtectedErrors = true;
       },
       {{5, FlipByte(-3)}},
       {"MrtdBacSelectDG : Wrong MAC in card's answer"},
       6},
      {"protected select: wrong MAC",
       noChange,
       {{5, FlipByte(7)}},
       {"MrtdBacSelectDG : Wrong MAC in card's answer"},
       6},
      {"protected select: other status",
       noChange,
       {{5, StatusOnly(0x6D00)}},
       {"MrtdBacSelectDG : Bad status word 6D00"},
       6},
      {"protected select: short status",
       noChange,
       {{5, StatusOnly(0x0090)}},
       {"MrtdBacSelectDG : Bad status word   90"},
       6},
      {"header read fails", noChange, {{6, ConnectionLost}}, {"MrtdReadFileSize connection error."}, 7},
      {"header read refused", noChange, {{6, StatusOnly(0x6A82)}}, {"MrtdSelectDG : Bad status word 6A82"}, 7},
      {"header answer too short",
       noChange,
       {{6, [](TAnswer) { return TAnswer{Hex("60145F019000")}; }}},
       {"Hata #1 : 6"},
       7},
      {"header answer unsafe",
       noChange,
       {{6, [](TAnswer) { return TAnswer{Hex("87800160145F01FFFFFFFF9000")}; }}},
       {"Hata #2 : 128"},
       7},
      {"header wrong MAC", noChange, {{6, FlipByte(-3)}}, {"MrtdBacReadFile : Wrong MAC in card's answer"}, 7},
      {"plain header of 5 bytes",
       plainChip,
       {{3, [](TAnswer) { return TAnswer{Hex("60145F01049000")}; }}},
       {"recv_len <>4 :  5"},
       4},
      {"EF.COM length unreadable",
       [](TChip& c) {
         c.Files() = ChipFiles({{0, Hex("60800000")}});
       },
       {},
       {"MrtdReadFile : Bad file length 0"},
       7},
      {"EF.COM longer than one read",
       [](TChip& c) {
         c.Files() = ChipFiles({{0, Hex("60820101")}});
       },
       {},
       {"MrtdReadFile : Bad file length 261"},
       7},
      {"EF.COM shorter than its header",
       [](TChip& c) {
         c.Files() = ChipFiles({{0, Hex("6001AA00")}});
       },
       {},
       {"MrtdReadFile : Bad file length 3"},
       7},
      {"body read fails", noChange, {{7, ConnectionLost}}, {"MrtdReadFile connection error."}, 8},
      {"body read refused", noChange, {{7, StatusOnly(0x6282)}}, {"MrtdBacReadFile : Bad status word 6282"}, 8},
      {"body answer too short", noChange, {{7, StatusOnly(0x9000)}}, {"Hata #1 : 2"}, 8},
      {"body wrong MAC", noChange, {{7, FlipByte(-3)}}, {"MrtdBacReadFile : Wrong MAC in card's answer"}, 8},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TFakePiccView caseView;
    TChip caseChip = WorkedExampleChip(ChipFiles({{0, icao::kEfCom}}), BacAtSelect());
    c.Chip(caseChip);
    TFakeCardApi caseCard;
    caseCard.Responder = AnswerFrom(caseChip);
    caseCard.Tamper = c.Tamper;
    TFixedRandomSource caseRandom(Concat({icao::kRndIfd, icao::kKIfd}));
    TEFComBuffer buffer{};
    tMRTD_CTX record{};
    TCardSession session(record);
    const TOpening opening = OpenDocument(icao::kMrzInformation, buffer, session);

    EXPECT_EQ(caseView.Texts(), c.Lines);
    EXPECT_EQ(opening.ComAbsent, c.Lines.back() == "EF.COM: absent; data groups from EF.SOD");
    for (const auto& line : caseView.Lines) EXPECT_EQ(line.Kind, lkProtocol);
    EXPECT_EQ(caseCard.Commands.size(), c.Commands);
    EXPECT_TRUE(std::ranges::all_of(buffer, [](auto b) { return b == 0; }));
  }
  ResetReaderLink();
}

}  // namespace
