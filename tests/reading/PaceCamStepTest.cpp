// The PACE-CAM step over the German passport's real EF.CardSecurity and the
// values of its recorded PACE-CAM session (tests/support/data/
// pace-im-cam-vectors.txt, section gmrtd-de-pace-cam): PK_Map,IC from the
// chip's second GENERAL AUTHENTICATE answer, and CA_IC deciphered from
// DO'8A' of its last.

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "document/face/ShownFace.h"
#include "jpeg2000/Jpeg2000Bitmap.h"
#include "reading/DocumentVerdict.h"
#include "reading/ReadSteps.h"
#include "support/FakePiccView.h"
#include "support/Hex.h"
#include "support/PaceVectors.h"
#include "support/TempFolder.h"
#include "support/TestPki.h"
#include "trust/TrustStore.h"

namespace {

TVectorSection GermanSession() { return PaceVectors("pace-im-cam-vectors.txt", "gmrtd-de-pace-cam"); }
constexpr std::uint32_t kParameterId = 13;

std::filesystem::path TrustData() { return std::filesystem::path(ZELVAN_TRUST_TEST_DATA); }

TBytes GermanCardSecurity() { return testpki::ReadFile(TrustData() / "cardsecurity" / "DE-passport.cardsecurity.bin"); }

// The German master list, loaded once; or a store with no CSCA.
const TTrustStore& Store(bool withGermanList) {
  static TTempFolder withList;
  static TTempFolder empty;
  static const bool copied = [] {
    const std::string name = "DE_ML_2026-05-28-08-28-45.ml";
    return std::filesystem::copy_file(TrustData() / "pa" / "trust" / name, withList.Path() / name);
  }();
  static const TTrustStore german({withList.Path()});
  static const TTrustStore none({empty.Path()});
  return copied && withGermanList ? german : none;
}

struct TCase {
  const char* Name;
  TFileRead CardSecurity;
  std::optional<TCamEvidence> Cam;
  bool GermanList;
  TChipCheckOutcome Outcome;
  std::string Reason;
  TStepEnd End;
  std::vector<std::string> Logged;  // line starts, in order
  std::string VerdictLine;          // the Chip authentication line of the verdict ("" when the reading ended)
};

TCamEvidence Evidence() {
  const TVectorSection v = GermanSession();
  return {kParameterId, v.Bytes("pk_map_ic"), v.Bytes("ca_ic")};
}

std::vector<TCase> Cases() {
  const TFileRead german{TFileState::Read, GermanCardSecurity()};
  TCamEvidence wrongCaIc = Evidence();
  wrongCaIc.CaIc.back() ^= 0x01;
  TCamEvidence otherParameters = Evidence();
  otherParameters.ParameterId = 16;
  TFileRead contentChanged = german;
  const TBytes camKeyStart{0x04, 0x61, 0x4C, 0xD8, 0x8B};
  std::ranges::search(contentChanged.Bytes, camKeyStart)[4] ^= 0x01;
  const std::string valid = "EF.CardSecurity: 1862 bytes, signature valid, CSCA: trusted (";
  return {
      {"PACE-CAM proves the key EF.CardSecurity signs",
       german,
       Evidence(),
       true,
       TChipCheckOutcome::Passed,
       "",
       TStepEnd::Next,
       {valid},
       "Chip authentication: PASSED (PACE-CAM)"},
      {"a wrong CA_IC",
       german,
       wrongCaIc,
       true,
       TChipCheckOutcome::Failed,
       "wrong CA_IC",
       TStepEnd::EndReading,
       {valid, "Chip authentication: FAILED (wrong CA_IC)"},
       ""},
      {"the CAM key changed in EF.CardSecurity",
       contentChanged,
       Evidence(),
       true,
       TChipCheckOutcome::Failed,
       "EF.CardSecurity: signature invalid",
       TStepEnd::EndReading,
       {"EF.CardSecurity: 1862 bytes, signature INVALID, CSCA: trusted (",
        "Chip authentication: FAILED (EF.CardSecurity: signature invalid)"},
       ""},
      {"no key of the PACEInfo's parameterId",
       german,
       otherParameters,
       true,
       TChipCheckOutcome::Failed,
       "EF.CardSecurity holds no single key with keyId 16",
       TStepEnd::EndReading,
       {valid, "Chip authentication: FAILED (EF.CardSecurity holds no single key with keyId 16)"},
       ""},
      {"its CSCA not at hand",
       german,
       Evidence(),
       false,
       TChipCheckOutcome::Passed,
       "",
       TStepEnd::Next,
       {"EF.CardSecurity: 1862 bytes, signature valid, CSCA: not in the trust store ("},
       "Chip authentication: PASSED (PACE-CAM; key not vouched for by EF.CardSecurity)"},
      {"no EF.CardSecurity",
       {TFileState::Absent, {}},
       Evidence(),
       true,
       TChipCheckOutcome::NotPossible,
       "no EF.CardSecurity",
       TStepEnd::Next,
       {},
       "Chip authentication: not possible (no EF.CardSecurity)"},
      {"EF.CardSecurity cut off",
       {TFileState::CutOff, TBytes(german.Bytes.begin(), german.Bytes.begin() + 100)},
       Evidence(),
       true,
       TChipCheckOutcome::NotPossible,
       "EF.CardSecurity not read whole",
       TStepEnd::Next,
       {},
       "Chip authentication: not possible (EF.CardSecurity not read whole)"},
      {"PACE without CAM: nothing to do",
       {},
       std::nullopt,
       true,
       TChipCheckOutcome::NotSupported,
       "",
       TStepEnd::Next,
       {},
       "Chip authentication: not supported"},
  };
}

class PaceCamStep : public ::testing::TestWithParam<TCase> {};

TEST_P(PaceCamStep, ChecksTheChipAgainstEfCardSecurity) {
  const TCase& c = GetParam();
  tMRTD_CTX session{};
  TJpeg2000Bitmap bitmap;
  TShownFace shown;
  TFakePiccView view;
  const TReadInputs inputs;
  const TReadState kept{session, bitmap, shown, Store(c.GermanList)};
  TReading reading(inputs, kept, view);
  reading.Document.ReadAt = std::chrono::system_clock::from_time_t(1735689600);  // 2025-01-01
  reading.Document.CardSecurity = c.CardSecurity;
  reading.Cam = c.Cam;

  EXPECT_EQ(CheckPaceCam(reading), c.End);
  const TDocument& document = reading.Document;
  EXPECT_EQ(document.ChipAuthentication.Outcome, c.Outcome);
  EXPECT_EQ(document.ChipAuthentication.Reason, c.Reason);
  EXPECT_EQ(document.ChipAuthenticationByCam, c.Cam.has_value());
  EXPECT_EQ(document.CardSecurityCheck.has_value(), c.CardSecurity.State == TFileState::Read);
  const std::vector<std::string> logged = view.Texts();
  ASSERT_EQ(logged.size(), c.Logged.size());
  for (std::size_t i = 0; i < logged.size(); ++i) EXPECT_TRUE(logged[i].starts_with(c.Logged[i])) << logged[i];
  if (c.End == TStepEnd::Next) {
    EXPECT_EQ(DecideDocumentVerdict(document).ChipLines[0].Text, c.VerdictLine);
  }
}

INSTANTIATE_TEST_SUITE_P(GermanPassport, PaceCamStep, ::testing::ValuesIn(Cases()), [](const auto& info) {
  std::string name;
  for (const char ch : std::string(info.param.Name)) name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
  return name;
});

}  // namespace
