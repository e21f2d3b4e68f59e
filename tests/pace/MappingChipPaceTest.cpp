// The program's PACE against the chip side of tools/mappingchip (its own
// Integrated, Chip Authentication and Generic Mapping over OpenSSL), on the
// sample passport: each mapping runs to secure messaging and the first data
// group reads back as the chip holds it, with the MRZ and with a card access
// number. Each row runs several sessions with free randomness, so the chip's
// nonce s, the terminal's t and both key pairs vary from run to run.

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "card/CardSession.h"
#include "card/FileReading.h"
#include "card/MemoryStream.h"
#include "reader/ApduExchange.h"
#include "reading/OpenDocument.h"
#include "support/FakeCard.h"
#include "support/FakePiccView.h"
#include "support/SimulatedChipCard.h"
#include "tools/mappingchip/MappingPaceChip.h"
#include "tools/simchip/DocumentFile.h"

namespace {

constexpr int kSessionsPerRow = 8;

struct TRow {
  const char* Protocol;
  int ParameterId;
  const char* Established;  // the log line's parentheses
  const char* Can = "";     // the password: the MRZ, or this card access number
};

class MappingChipTable : public ::testing::TestWithParam<TRow> {
protected:
  void SetUp() override { ResetReaderLink(); }
  void TearDown() override { ResetReaderLink(); }
};

TEST_P(MappingChipTable, ReadsTheDocumentUnderPace) {
  const simchip::TDocument document =
      simchip::LoadDocumentFile(std::string(ZELVAN_SAMPLES_DIR) + "/icao-passport.zdoc");
  for (int run = 0; run < kSessionsPerRow; ++run) {
    SCOPED_TRACE("session " + std::to_string(run));
    ResetReaderLink();
    simchip::TSimulatedChip chip(document);
    mappingchip::TMappingChipOptions options;
    options.Pace.Offers = {{GetParam().Protocol, GetParam().ParameterId}};
    options.Pace.RefuseBac = true;
    options.Pace.Can = GetParam().Can;
    options.CloneCam =
        true;  // a key of the curve for the chip's CA_IC; the program checks it only against CardSecurity
    mappingchip::TMappingPaceChip pace(chip, options);
    TFakePiccView view;
    TFakeCardApi card;
    card.Responder = AnswerFrom(chip);

    TEFComBuffer efCom{};
    tMRTD_CTX ctx{};
    TCardSession session(ctx);
    const std::string can = GetParam().Can;
    bool canGiven = false;  // the CAN is typed once; asked again, the dialog is cancelled
    TCanSource canSource{
        [&]() -> std::optional<TSecretBuffer> {
          if (std::exchange(canGiven, true)) return std::nullopt;
          return TSecretBuffer(std::span(reinterpret_cast<const std::uint8_t*>(can.data()), can.size()));
        },
        true};
    OpenDocument(document.MrzInformation, efCom, session, canSource);
    ASSERT_TRUE(pace.Established()) << ::testing::PrintToString(view.Texts());
    // With a CAN the MRZ is offered first and refused: the line comes later.
    const std::vector<std::string> texts = view.Texts();
    EXPECT_NE(std::ranges::find(texts, std::string("PACE: established (") + GetParam().Established + ")"), texts.end())
        << ::testing::PrintToString(texts);
    TMemoryStream dg1;
    ASSERT_EQ(ReadDataGroup(1, dg1, session), TDataGroupRead::Whole);
    const TBytes& file = document.Lds.at(simchip::DataGroupFileId(1));
    ASSERT_EQ(dg1.Size(), file.size());
    TBytes read(file.size());
    dg1.Read(read);
    EXPECT_EQ(ToHex(read), ToHex(file));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Mappings, MappingChipTable,
    ::testing::Values(
        TRow{"id-PACE-ECDH-IM-AES-CBC-CMAC-128", 13, "id-PACE-ECDH-IM-AES-CBC-CMAC-128, brainpoolP256r1"},
        TRow{"id-PACE-DH-IM-AES-CBC-CMAC-128", 0,
             "id-PACE-DH-IM-AES-CBC-CMAC-128, 1024-bit MODP group with 160-bit prime order subgroup"},
        TRow{"id-PACE-ECDH-CAM-AES-CBC-CMAC-128", 13, "id-PACE-ECDH-CAM-AES-CBC-CMAC-128, brainpoolP256r1"},
        TRow{"id-PACE-ECDH-GM-AES-CBC-CMAC-128", 13, "id-PACE-ECDH-GM-AES-CBC-CMAC-128, brainpoolP256r1"},
        TRow{"id-PACE-DH-GM-AES-CBC-CMAC-128", 0,
             "id-PACE-DH-GM-AES-CBC-CMAC-128, 1024-bit MODP group with 160-bit prime order subgroup"},
        TRow{"id-PACE-ECDH-IM-AES-CBC-CMAC-128", 13, "id-PACE-ECDH-IM-AES-CBC-CMAC-128, brainpoolP256r1, CAN",
             "271828"},
        TRow{"id-PACE-DH-IM-AES-CBC-CMAC-128", 0,
             "id-PACE-DH-IM-AES-CBC-CMAC-128, 1024-bit MODP group with 160-bit prime order subgroup, CAN", "271828"}),
    [](const auto& info) { return "Row" + std::to_string(info.index); });

}  // namespace
