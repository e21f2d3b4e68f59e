// The program's PACE against OpenPACE's chip side (tools/pacechip), on the
// sample passport: each family of domain parameters with each cipher suite,
// two PACEInfos, a PACE-only chip, a wrong date of birth and the card taken
// away in the middle of GENERAL AUTHENTICATE. The DH rows feed the terminal
// fixed random bytes: OpenPACE drops leading zero bytes of the DH secret, so
// with free randomness about one session in 256 would disagree with a
// correct terminal.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "card/CardSession.h"
#include "card/FileReading.h"
#include "card/MemoryStream.h"
#include "reader/ApduExchange.h"
#include "reading/OpenDocument.h"
#include "support/FakeCard.h"
#include "support/FakePiccView.h"
#include "support/SimulatedChipCard.h"
#include "tools/pacechip/OpenPaceChip.h"
#include "tools/simchip/DocumentFile.h"

namespace {

struct TRow {
  const char* Protocol;
  int ParameterId;
  const char* Established;  // the log line's parentheses
};

simchip::TDocument SamplePassport() {
  return simchip::LoadDocumentFile(std::string(ZELVAN_SAMPLES_DIR) + "/icao-passport.zdoc");
}

class OpenPaceTable : public ::testing::TestWithParam<TRow> {
protected:
  void SetUp() override { ResetReaderLink(); }
  void TearDown() override { ResetReaderLink(); }
};

TEST_P(OpenPaceTable, ReadsTheDocumentUnderPace) {
  const simchip::TDocument document = SamplePassport();
  simchip::TSimulatedChip chip(document);
  pacechip::TOpenPaceChip pace(chip, {{{GetParam().Protocol, GetParam().ParameterId}}, true});
  TFakePiccView view;
  TFakeCardApi card;
  card.Responder = AnswerFrom(chip);
  TBytes seed(4096);
  for (std::size_t i = 0; i < seed.size(); ++i) seed[i] = static_cast<std::uint8_t>(i * 153 + 5);
  TFixedRandomSource random(seed);

  TEFComBuffer efCom{};
  tMRTD_CTX ctx{};
  TCardSession session(ctx);
  OpenDocument(document.MrzInformation, efCom, session);
  ASSERT_TRUE(pace.Established()) << ::testing::PrintToString(view.Texts());
  const TBytes& expected = document.Lds.at(simchip::kEfComFileId);
  EXPECT_EQ(ToHex(std::span(efCom).first(expected.size())), ToHex(expected));
  TMemoryStream dg1;
  EXPECT_EQ(ReadDataGroup(1, dg1, session), TDataGroupRead::Whole);
  const TBytes& file = document.Lds.at(simchip::DataGroupFileId(1));
  ASSERT_EQ(dg1.Size(), file.size());
  TBytes read(file.size());
  dg1.Read(read);
  EXPECT_EQ(ToHex(read), ToHex(file));
  ASSERT_GE(view.Texts().size(), 2u);
  EXPECT_EQ(view.Texts()[1], std::string("PACE: established (") + GetParam().Established + ")");
  for (const TBytes& command : card.Commands) EXPECT_NE(command[1], 0x82) << "no BAC";
}

INSTANTIATE_TEST_SUITE_P(
    Suites, OpenPaceTable,
    ::testing::Values(TRow{"id-PACE-ECDH-GM-AES-CBC-CMAC-128", 12, "id-PACE-ECDH-GM-AES-CBC-CMAC-128, NIST P-256"},
                      TRow{"id-PACE-ECDH-GM-3DES-CBC-CBC", 9, "id-PACE-ECDH-GM-3DES-CBC-CBC, brainpoolP192r1"},
                      TRow{"id-PACE-ECDH-GM-AES-CBC-CMAC-192", 10, "id-PACE-ECDH-GM-AES-CBC-CMAC-192, NIST P-224"},
                      TRow{"id-PACE-ECDH-GM-AES-CBC-CMAC-128", 11, "id-PACE-ECDH-GM-AES-CBC-CMAC-128, brainpoolP224r1"},
                      TRow{"id-PACE-ECDH-GM-3DES-CBC-CBC", 14, "id-PACE-ECDH-GM-3DES-CBC-CBC, brainpoolP320r1"},
                      TRow{"id-PACE-ECDH-GM-AES-CBC-CMAC-256", 15, "id-PACE-ECDH-GM-AES-CBC-CMAC-256, NIST P-384"},
                      TRow{"id-PACE-ECDH-GM-AES-CBC-CMAC-128", 13, "id-PACE-ECDH-GM-AES-CBC-CMAC-128, brainpoolP256r1"},
                      TRow{"id-PACE-ECDH-GM-AES-CBC-CMAC-192", 16, "id-PACE-ECDH-GM-AES-CBC-CMAC-192, brainpoolP384r1"},
                      TRow{"id-PACE-ECDH-GM-AES-CBC-CMAC-256", 17, "id-PACE-ECDH-GM-AES-CBC-CMAC-256, brainpoolP512r1"},
                      TRow{"id-PACE-ECDH-GM-AES-CBC-CMAC-256", 18, "id-PACE-ECDH-GM-AES-CBC-CMAC-256, NIST P-521"},
                      TRow{"id-PACE-ECDH-GM-3DES-CBC-CBC", 8, "id-PACE-ECDH-GM-3DES-CBC-CBC, NIST P-192"},
                      TRow{"id-PACE-DH-GM-AES-CBC-CMAC-128", 0,
                           "id-PACE-DH-GM-AES-CBC-CMAC-128, 1024-bit MODP group with 160-bit prime order subgroup"},
                      TRow{"id-PACE-DH-GM-3DES-CBC-CBC", 0,
                           "id-PACE-DH-GM-3DES-CBC-CBC, 1024-bit MODP group with 160-bit prime order subgroup"},
                      TRow{"id-PACE-DH-GM-AES-CBC-CMAC-256", 0,
                           "id-PACE-DH-GM-AES-CBC-CMAC-256, 1024-bit MODP group with 160-bit prime order subgroup"}),
    [](const auto& info) { return "Row" + std::to_string(info.index); });

class OpenPaceChip : public ::testing::Test {
protected:
  void SetUp() override {
    ResetReaderLink();
    card.Responder = AnswerFrom(chip);
  }
  void TearDown() override { ResetReaderLink(); }

  simchip::TDocument document = SamplePassport();
  simchip::TSimulatedChip chip{document};
  TFakePiccView view;
  TFakeCardApi card;
  TEFComBuffer efCom{};
  tMRTD_CTX ctx{};
};

TEST_F(OpenPaceChip, TwoPaceInfosTheFirstIsTaken) {
  pacechip::TOpenPaceChip pace(chip, {{{"id-PACE-ECDH-GM-AES-CBC-CMAC-128", 13}, {"id-PACE-DH-GM-3DES-CBC-CBC", 0}}});
  TCardSession session(ctx);
  OpenDocument(document.MrzInformation, efCom, session);
  EXPECT_TRUE(pace.Established());
  ASSERT_GE(card.Commands.size(), 4u);
  EXPECT_EQ(ToHex(card.Commands[3]).substr(ToHex(card.Commands[3]).size() - 6), "84010D") << "parameter id sent";
}

TEST_F(OpenPaceChip, WrongDateOfBirthFailsWithoutBac) {
  pacechip::TOpenPaceChip pace(chip, {{{"id-PACE-ECDH-GM-AES-CBC-CMAC-128", 13}}});
  std::string mrz = document.MrzInformation;
  mrz[10] = mrz[10] == '1' ? '2' : '1';  // a digit of the date of birth
  TCardSession session(ctx);
  OpenDocument(mrz, efCom, session);
  EXPECT_FALSE(pace.Established());
  EXPECT_EQ(view.Texts().back(), "PACE: failed (the chip refused the password at the authentication tokens: 6300)");
  for (const TBytes& command : card.Commands) EXPECT_NE(command[1], 0x84) << "no GET CHALLENGE";
  EXPECT_EQ(efCom, TEFComBuffer{});
}

TEST_F(OpenPaceChip, CardTakenAwayInTheMiddleOfGeneralAuthenticate) {
  pacechip::TOpenPaceChip pace(chip, {{{"id-PACE-ECDH-GM-AES-CBC-CMAC-128", 13}}});
  chip.AddFault(simchip::TFault::CardRemoved(3).ForIns(0x86));
  TCardSession session(ctx);
  OpenDocument(document.MrzInformation, efCom, session);
  EXPECT_FALSE(pace.Established());
  EXPECT_EQ(view.Texts().back(), "PACE: failed (connection error at the key agreement)");
  EXPECT_FALSE(ctx.BacEnabled);
}

// The card access number against OpenPACE's chip side, which takes the CAN as
// raw characters (PACE_CAN): K_π = KDF(CAN, 3) over the digits as they are.
// Each row is what the operator typed and answers the CAN dialog with, in turn
// (nothing: "İptal").
struct TCanRow {
  const char* Name;
  const char* Protocol;
  int ParameterId;
  bool MrzTyped;                                    // false: no document number, the CAN asked for first
  std::vector<std::optional<std::string>> Answers;  // the dialog's answers, in turn
  bool Established;
  std::vector<std::string> Lines;  // the log from the second line (the first is EF.CardAccess's)
};

class CanAgainstOpenPace : public ::testing::TestWithParam<TCanRow> {
protected:
  void SetUp() override { ResetReaderLink(); }
  void TearDown() override { ResetReaderLink(); }
};

TEST_P(CanAgainstOpenPace, OpensWithTheCanAlone) {
  const TCanRow& row = GetParam();
  const simchip::TDocument document = SamplePassport();
  simchip::TSimulatedChip chip(document);
  pacechip::TOpenPaceChip pace(chip, {{{row.Protocol, row.ParameterId}}, true, "271828"});
  TFakePiccView view;
  TFakeCardApi card;
  card.Responder = AnswerFrom(chip);
  TBytes seed(4096);
  for (std::size_t i = 0; i < seed.size(); ++i) seed[i] = static_cast<std::uint8_t>(i * 151 + 3);
  TFixedRandomSource random(seed);

  std::size_t asked = 0;
  TCanSource can{
      [&]() -> std::optional<TSecretBuffer> {
        const std::optional<std::string>& answer = row.Answers.at(asked++);
        if (!answer) return std::nullopt;
        return TSecretBuffer(std::span(reinterpret_cast<const std::uint8_t*>(answer->data()), answer->size()));
      },
      row.MrzTyped};
  TEFComBuffer efCom{};
  tMRTD_CTX ctx{};
  TCardSession session(ctx);
  const TOpening opening = OpenDocument(document.MrzInformation, efCom, session, can);

  EXPECT_EQ(asked, row.Answers.size());
  EXPECT_EQ(pace.Established(), row.Established);
  EXPECT_EQ(opening.Access, row.Established ? TAccessControl::Pace : TAccessControl::PaceFailed);
  EXPECT_EQ(opening.NoCan, !row.Answers.back().has_value());
  const std::vector<std::string> texts = view.Texts();
  ASSERT_GE(texts.size(), 1u);
  EXPECT_EQ(std::vector<std::string>(texts.begin() + 1, texts.end()), row.Lines);
  for (const std::string& line : texts) EXPECT_EQ(line.find("271828"), std::string::npos) << "the CAN logged";
  for (const TBytes& command : card.Commands) EXPECT_NE(command[1], 0x84) << "no GET CHALLENGE: no BAC";
  // Every MSE:Set AT after the MRZ's names the CAN (password reference 02 in tag 83).
  std::size_t canMse = 0;
  for (const TBytes& command : card.Commands)
    if (command[1] == 0x22 && ToHex(command).find("830102") != std::string::npos) ++canMse;
  std::size_t given = 0;
  for (const auto& answer : row.Answers) given += answer.has_value();
  EXPECT_EQ(canMse, given);
  if (row.Established) {
    const TBytes& expected = document.Lds.at(simchip::kEfComFileId);
    EXPECT_EQ(ToHex(std::span(efCom).first(expected.size())), ToHex(expected));
  } else {
    EXPECT_EQ(efCom, TEFComBuffer{});
  }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, CanAgainstOpenPace,
    ::testing::Values(
        TCanRow{"NoNumberRightCan",
                "id-PACE-ECDH-GM-AES-CBC-CMAC-128",
                13,
                false,
                {"271828"},
                true,
                {"PACE: established (id-PACE-ECDH-GM-AES-CBC-CMAC-128, brainpoolP256r1, CAN)"}},
        TCanRow{"MrzRefusedRightCanDh3Des",
                "id-PACE-DH-GM-3DES-CBC-CBC",
                0,
                true,
                {"271828"},
                true,
                {"PACE: MRZ not accepted (MSE:Set AT answered 6A88)",
                 "PACE: established (id-PACE-DH-GM-3DES-CBC-CBC, 1024-bit MODP group with 160-bit prime order "
                 "subgroup, CAN)"}},
        TCanRow{
            "WrongThenRightAes256",
            "id-PACE-ECDH-GM-AES-CBC-CMAC-256",
            17,
            false,
            {"271829", "271828"},
            true,
            {"PACE: failed (wrong CAN)", "PACE: established (id-PACE-ECDH-GM-AES-CBC-CMAC-256, brainpoolP512r1, CAN)"}},
        TCanRow{"Cancelled",
                "id-PACE-ECDH-GM-AES-CBC-CMAC-128",
                12,
                true,
                {std::nullopt},
                false,
                {"PACE: MRZ not accepted (MSE:Set AT answered 6A88)", "PACE: not tried (no CAN given)"}},
        TCanRow{"WrongThenCancelled",
                "id-PACE-ECDH-GM-AES-CBC-CMAC-192",
                16,
                false,
                {"000000", std::nullopt},
                false,
                {"PACE: failed (wrong CAN)", "PACE: not tried (no CAN given)"}}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
