// The program's PACE against OpenPACE's chip side (tools/pacechip), on the
// sample passport: each family of domain parameters with each cipher suite,
// two PACEInfos, a PACE-only chip, a wrong date of birth and the card taken
// away in the middle of GENERAL AUTHENTICATE. The DH rows feed the terminal
// fixed random bytes: OpenPACE drops leading zero bytes of the DH secret, so
// with free randomness about one session in 256 would disagree with a
// correct terminal.

#include <gtest/gtest.h>

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

}  // namespace
