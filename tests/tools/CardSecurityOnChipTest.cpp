// EF.CardSecurity in the master file of a chip served by the chip's own PACE
// (tools/mappingchip), chosen as the virtual passport chooses it: readable
// under PACE's secure messaging before the application is selected or after
// the master file is selected again, never in plain; while the application is
// selected, 011D is EF.SOD. PACE runs
// with OpenPACE's terminal (Generic Mapping, which the chip's own PACE serves
// beside the other mappings), so the chip's Generic Mapping is checked against
// an implementation it did not write.

#include <gtest/gtest.h>

#include <eac/eac.h>
#include <eac/objects.h>

#include <string>

#include "ChipHarness.h"
#include "OpenPaceTerminal.h"
#include "TerminalSecureMessaging.h"
#include "tools/mappingchip/MappingPaceChip.h"
#include "tools/vpassport/PaceChoice.h"

namespace simchip::testing {
namespace {

const TCommandApdu kSelectCardSecurity{0x00, 0xA4, 0x02, 0x0C, {0x01, 0x1D}, std::nullopt};
const TCommandApdu kSelectApplication{0x00, 0xA4, 0x04, 0x0C, {0xA0, 0x00, 0x00, 0x02, 0x47, 0x10, 0x01}, std::nullopt};

// The whole selected file, read in pieces under secure messaging.
TBytes ReadUnderSm(TChipHarness& harness, TTerminalSm& session, std::size_t length) {
  TBytes content;
  while (content.size() < length) {
    const std::size_t piece = std::min<std::size_t>(length - content.size(), 0xDF);
    const auto answer = session.Open(harness.Exchange(session.Protect({0x00,
                                                                       0xB0,
                                                                       static_cast<std::uint8_t>(content.size() >> 8),
                                                                       static_cast<std::uint8_t>(content.size()),
                                                                       {},
                                                                       piece})));
    if (!answer || answer->Status != 0x9000 || answer->Data.empty()) break;
    Append(content, answer->Data);
  }
  return content;
}

TEST(CardSecurityOnChip, ReadableUnderPaceInTheMasterFileOnly) {
  // EF.CardAccess offers Generic Mapping; the document carries EF.CardSecurity.
  const TDocument document =
      LoadDocumentFile(std::string(ZELVAN_SAMPLES_DIR) + "/negative/card-access-downgraded.zdoc");
  ASSERT_FALSE(document.CardSecurity.empty());
  TChipHarness harness(document);
  const auto pace = vpassport::InstallPace(harness.Chip, {}, document);
  ASSERT_NE(dynamic_cast<mappingchip::TMappingPaceChip*>(pace.get()), nullptr);

  // In plain, 011D of the master file is not EF.CardSecurity.
  EXPECT_EQ(ToHex(harness.Exchange(kSelectCardSecurity.Encode())), "6A82");

  TTerminalSm session = OpenPaceGmSession(harness, document.MrzInformation);
  auto selected = session.Open(harness.Exchange(session.Protect(kSelectCardSecurity)));
  ASSERT_TRUE(selected);
  EXPECT_EQ(selected->Status, 0x9000);
  EXPECT_EQ(ToHex(ReadUnderSm(harness, session, document.CardSecurity.size())), ToHex(document.CardSecurity));

  // Past the end of the file.
  const auto beyond =
      session.Open(harness.Exchange(session.Protect({0x00,
                                                     0xB0,
                                                     static_cast<std::uint8_t>(document.CardSecurity.size() >> 8),
                                                     static_cast<std::uint8_t>(document.CardSecurity.size()),
                                                     {},
                                                     1})));
  ASSERT_TRUE(beyond);
  EXPECT_EQ(beyond->Status, 0x6B00);

  // In the application, 011D is EF.SOD.
  selected = session.Open(harness.Exchange(session.Protect(kSelectApplication)));
  ASSERT_TRUE(selected);
  EXPECT_EQ(selected->Status, 0x9000);
  selected = session.Open(harness.Exchange(session.Protect(kSelectCardSecurity)));
  ASSERT_TRUE(selected);
  EXPECT_EQ(selected->Status, 0x9000);
  const TBytes& sod = document.Lds.at(kEfSodFileId);
  EXPECT_EQ(ToHex(ReadUnderSm(harness, session, sod.size())), ToHex(sod));

  // Back in the master file, 011D is EF.CardSecurity again.
  selected = session.Open(harness.Exchange(session.Protect({0x00, 0xA4, 0x00, 0x0C, {0x3F, 0x00}, std::nullopt})));
  ASSERT_TRUE(selected);
  EXPECT_EQ(selected->Status, 0x9000);
  selected = session.Open(harness.Exchange(session.Protect(kSelectCardSecurity)));
  ASSERT_TRUE(selected);
  EXPECT_EQ(selected->Status, 0x9000);
  EXPECT_EQ(ToHex(ReadUnderSm(harness, session, 4)), ToHex(std::span(document.CardSecurity).first(4)));
}

// Generic Mapping of the chip's own PACE against OpenPACE's terminal, with other curves and key lengths
// (SHA-256 key derivation) than the worked examples: the session opens and EF.COM reads under it.
TEST(MappingChipGenericMapping, OpenPacesTerminalOpensTheSession) {
  EAC_init();  // OpenPACE's protocol NIDs are made here
  const std::vector<std::pair<const char*, TGmProtocol>> cases{
      {"id-PACE-ECDH-GM-AES-CBC-CMAC-128", {NID_id_PACE_ECDH_GM_AES_CBC_CMAC_128, "04007F00070202040202", 13, true}},
      {"id-PACE-ECDH-GM-AES-CBC-CMAC-192", {NID_id_PACE_ECDH_GM_AES_CBC_CMAC_192, "04007F00070202040203", 12, true}},
      {"id-PACE-ECDH-GM-AES-CBC-CMAC-256", {NID_id_PACE_ECDH_GM_AES_CBC_CMAC_256, "04007F00070202040204", 17, true}},
  };
  for (const auto& [name, protocol] : cases) {
    SCOPED_TRACE(name);
    TChipHarness harness;
    mappingchip::TMappingChipOptions options;
    options.Pace.Offers = {{name, protocol.ParameterId}};
    mappingchip::TMappingPaceChip chip(harness.Chip, options);
    TTerminalSm session = OpenPaceGmSession(harness, kSpecimenMrzInformation, protocol);
    ASSERT_TRUE(chip.Established());
    EXPECT_EQ(ToHex(session.Enc), ToHex(chip.SessionKeys()->Enc));
    const auto selected = session.Open(harness.Exchange(session.Protect(kSelectApplication)));
    ASSERT_TRUE(selected);
    EXPECT_EQ(selected->Status, 0x9000);
    const auto efCom = session.Open(harness.Exchange(session.Protect({0x00, 0xA4, 0x02, 0x0C, {0x01, 0x1E}, {}})));
    ASSERT_TRUE(efCom);
    EXPECT_EQ(efCom->Status, 0x9000);
    const TBytes& expected = harness.Chip.Files().at(kEfComFileId);
    EXPECT_EQ(ToHex(ReadUnderSm(harness, session, expected.size())), ToHex(expected));
  }
}

// Which PACE side the virtual passport puts in front of each sample: OpenPACE's for Generic Mapping alone,
// the chip's own for Chip Authentication Mapping or an EF.CardSecurity, none without pace lines or options.
TEST(CardSecurityOnChip, ThePassportChoosesThePaceSide) {
  struct TCase {
    const char* Document;
    std::vector<const char*> Arguments;
    bool Own;
    bool Pace;
  };
  const std::vector<TCase> cases{
      {"cam-passport.zdoc", {}, true, true},
      {"negative/card-access-downgraded.zdoc", {}, true, true},
      {"can-id-card.zdoc", {}, false, true},
      {"icao-passport.zdoc", {}, false, false},
      {"icao-passport.zdoc", {"--pace", "id-PACE-ECDH-GM-AES-CBC-CMAC-128:13"}, false, true},
      {"icao-passport.zdoc", {"--pace-im", "id-PACE-DH-IM-AES-CBC-CMAC-128:0"}, true, true},
      {"icao-passport.zdoc", {"--pace", "id-PACE-ECDH-IM-AES-CBC-CMAC-128:13"}, true, true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Document);
    const std::string path = std::string(ZELVAN_SAMPLES_DIR) + "/" + c.Document;
    std::vector<std::string_view> arguments{"--document", path};
    arguments.insert(arguments.end(), c.Arguments.begin(), c.Arguments.end());
    const auto parsed = vpassport::ParseVpassportCommandLine(arguments);
    ASSERT_TRUE(parsed.Options) << parsed.Message;
    const TDocument document = LoadDocumentFile(path);
    TSimulatedChip chip(document);
    const auto pace = vpassport::InstallPace(chip, *parsed.Options, document);
    EXPECT_EQ(pace != nullptr, c.Pace);
    EXPECT_EQ(dynamic_cast<mappingchip::TMappingPaceChip*>(pace.get()) != nullptr, c.Own);
  }
}

}  // namespace
}  // namespace simchip::testing
