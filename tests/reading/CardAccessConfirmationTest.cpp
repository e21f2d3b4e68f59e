// EF.CardAccess's PACEInfos against the signed SecurityInfos of DG14 (vouched
// for by EF.SOD) and EF.CardSecurity (verified): confirmed, a downgrade, or
// nothing to compare.

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "pace/CardAccess.h"
#include "passiveauth/CardSecurity.h"
#include "reading/CardAccessConfirmation.h"
#include "support/Hex.h"
#include "support/TempFolder.h"
#include "support/TestPki.h"

namespace {

const TBytes kGmAes128 = Hex("04007F00070202040202");
const TBytes kCamAes128 = Hex("04007F00070202040602");
const TBytes kGmAes256 = Hex("04007F00070202040204");

const TPaceInfoEntry kGm13{kGmAes128, 2, 13};
const TPaceInfoEntry kCam13{kCamAes128, 2, 13};

TSecurityInfos WithPace(std::vector<TPaceInfoEntry> infos) {
  TSecurityInfos set;
  set.PaceInfos = std::move(infos);
  return set;
}

enum class TDg14 { None, Vouched, HashMismatch, SodDoubted };
enum class TCardSecurity { None, Verified, NotVouched };

struct TCase {
  const char* Name;
  std::vector<TPaceInfoEntry> Offered;
  TDg14 Dg14;
  std::vector<TPaceInfoEntry> InDg14;
  TCardSecurity CardSecurity;
  std::vector<TPaceInfoEntry> InCardSecurity;
  std::optional<bool> Confirmed;
};

TDocument DocumentOf(const TCase& c) {
  TDocument document;
  document.CardAccessPaceInfos = c.Offered;
  if (c.Dg14 != TDg14::None) {
    document.Dg14 = WithPace(c.InDg14);
    TPaResult passive;
    passive.HashMatches = {{14, c.Dg14 != TDg14::HashMismatch}};
    passive.SodDoubt = c.Dg14 == TDg14::SodDoubted ? "CSCA not in the trust store" : "";
    document.PassiveAuthentication = passive;
  }
  if (c.CardSecurity != TCardSecurity::None) {
    TCardSecurityCheck check;
    check.Verdict = c.CardSecurity == TCardSecurity::Verified ? TPaVerdict::Passed : TPaVerdict::Incomplete;
    check.Infos = WithPace(c.InCardSecurity);
    document.CardSecurityCheck = check;
  }
  return document;
}

TEST(CardAccessConfirmation, OfferedPaceInfosMustBeSigned) {
  const std::vector<TCase> cases{
      {"confirmed by EF.CardSecurity",
       {kGm13, kCam13},
       TDg14::None,
       {},
       TCardSecurity::Verified,
       {kGm13, kCam13},
       true},
      {"confirmed by DG14", {kGm13}, TDg14::Vouched, {kGm13, kCam13}, TCardSecurity::None, {}, true},
      {"confirmed by the two together",
       {kGm13, kCam13},
       TDg14::Vouched,
       {kGm13},
       TCardSecurity::Verified,
       {kCam13},
       true},
      {"a protocol the chip did not sign", {kGm13, kCam13}, TDg14::None, {}, TCardSecurity::Verified, {kCam13}, false},
      {"other domain parameters than signed",
       {{kGmAes128, 2, 8}},
       TDg14::Vouched,
       {kGm13},
       TCardSecurity::None,
       {},
       false},
      {"a parameterId left out",
       {{kGmAes128, 2, std::nullopt}},
       TDg14::Vouched,
       {kGm13},
       TCardSecurity::None,
       {},
       false},
      {"another cipher than signed", {{kGmAes256, 2, 13}}, TDg14::Vouched, {kGm13}, TCardSecurity::None, {}, false},
      {"a DG14 without PACEInfos", {kGm13}, TDg14::Vouched, {}, TCardSecurity::None, {}, false},
      {"the version alone differs", {{kGmAes128, 1, 13}}, TDg14::Vouched, {kGm13}, TCardSecurity::None, {}, true},
      {"only an unverified EF.CardSecurity", {kGm13}, TDg14::None, {}, TCardSecurity::NotVouched, {}, std::nullopt},
      {"DG14 not matching EF.SOD", {kGm13}, TDg14::HashMismatch, {}, TCardSecurity::None, {}, std::nullopt},
      {"DG14 under an EF.SOD that cannot vouch", {kGm13}, TDg14::SodDoubted, {}, TCardSecurity::None, {}, std::nullopt},
      {"an unverified set does not count beside a verified one",
       {kGm13},
       TDg14::HashMismatch,
       {kGm13},
       TCardSecurity::Verified,
       {kCam13},
       false},
      {"EF.CardAccess offered nothing", {}, TDg14::Vouched, {kGm13}, TCardSecurity::Verified, {kGm13}, std::nullopt},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(CardAccessConfirmed(DocumentOf(c)), c.Confirmed);
  }
}

// The German passport's own EF.CardAccess against its EF.CardSecurity,
// verified under the German master list; then the same EF.CardAccess with the
// CAM PACEInfo's parameterId changed (13, brainpoolP256r1, to 8, NIST P-192).
TEST(CardAccessConfirmation, RealGermanPassport) {
  const std::filesystem::path data(ZELVAN_TRUST_TEST_DATA);
  const std::string list = "DE_ML_2026-05-28-08-28-45.ml";
  TTempFolder folder;
  std::filesystem::copy_file(data / "pa" / "trust" / list, folder.Path() / list);
  const TTrustStore store({folder.Path()});
  TDocument document;
  document.CardSecurityCheck =
      VerifyCardSecurity(testpki::ReadFile(data / "cardsecurity" / "DE-passport.cardsecurity.bin"), store,
                         std::chrono::system_clock::from_time_t(1735689600));  // 2025-01-01
  ASSERT_EQ(document.CardSecurityCheck->Verdict, TPaVerdict::Passed);

  TBytes cardAccess = testpki::ReadFile(data / "cardsecurity" / "DE-passport.cardaccess.bin");
  for (const bool changed : {false, true}) {
    SCOPED_TRACE(changed ? "parameterId changed" : "as read");
    if (changed) cardAccess.back() = 0x08;  // the last PACEInfo's parameterId
    document.CardAccessPaceInfos.clear();
    for (const TPaceInfo& info : ParseCardAccess(cardAccess))
      document.CardAccessPaceInfos.push_back({info.Oid, info.Version, info.ParameterId});
    ASSERT_EQ(document.CardAccessPaceInfos.size(), 2u);
    EXPECT_EQ(CardAccessConfirmed(document), !changed);
  }
}

}  // namespace
