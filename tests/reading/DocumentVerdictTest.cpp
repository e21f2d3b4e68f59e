// The document's verdict from Passive, Chip and Active Authentication.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reading/DocumentVerdict.h"

namespace {

using enum TChipCheckOutcome;

TPaResult Passive(TPaVerdict verdict, std::map<int, bool> hashMatches = {}) {
  static const std::vector<std::string> kLastLines{"Passive authentication: PASSED",
                                                   "Passive authentication: FAILED (DG1 hash mismatch)",
                                                   "Passive authentication: INCOMPLETE (no EF.SOD on the chip)"};
  TPaResult result;
  result.Verdict = verdict;
  result.Lines = {{"EF.SOD: 1 KB", TPaLineKind::Info}, {kLastLines[static_cast<int>(verdict)], TPaLineKind::Info}};
  result.HashMatches = std::move(hashMatches);
  return result;
}

struct TCase {
  const char* Name;
  TPaResult Pa;
  TChipCheck Ca;
  TChipCheck Aa;
  TVerdictShown Shown;
  std::string CaLine;
  std::string AaLine;
};

TEST(DocumentVerdict, CombinesTheThreeChecks) {
  const std::map<int, bool> keysMatch{{1, true}, {14, true}, {15, true}};
  const std::vector<TCase> cases{
      {"a chip with neither: Passive Authentication decides",
       Passive(TPaVerdict::Passed),
       {},
       {},
       TVerdictShown::Genuine,
       "Chip authentication: not supported",
       "Active authentication: not supported"},
      {"chip authentication proves the chip",
       Passive(TPaVerdict::Passed, keysMatch),
       {Passed, ""},
       {},
       TVerdictShown::Genuine,
       "Chip authentication: PASSED",
       "Active authentication: not supported"},
      {"active authentication alone proves it",
       Passive(TPaVerdict::Passed, keysMatch),
       {NotPossible, "no key"},
       {Passed, ""},
       TVerdictShown::Genuine,
       "Chip authentication: not possible (no key)",
       "Active authentication: PASSED"},
      {"offered but not possible with this reader",
       Passive(TPaVerdict::Passed, keysMatch),
       {},
       {NotPossible, "the answer does not fit a short APDU"},
       TVerdictShown::Incomplete,
       "Chip authentication: not supported",
       "Active authentication: not possible (the answer does not fit a short APDU)"},
      {"a clone caught by chip authentication",
       Passive(TPaVerdict::Passed, keysMatch),
       {Failed, "the chip's answer does not verify under the new keys"},
       {Passed, ""},
       TVerdictShown::NotGenuine,
       "Chip authentication: FAILED (the chip's answer does not verify under the new keys)",
       "Active authentication: PASSED"},
      {"a clone caught by active authentication",
       Passive(TPaVerdict::Passed, keysMatch),
       {Passed, ""},
       {Failed, "signature does not verify"},
       TVerdictShown::NotGenuine,
       "Chip authentication: PASSED",
       "Active authentication: FAILED (signature does not verify)"},
      {"DG14 not matching EF.SOD fails the chip authentication that used its key",
       Passive(TPaVerdict::Failed, {{14, false}, {15, true}}),
       {Passed, ""},
       {Passed, ""},
       TVerdictShown::NotGenuine,
       "Chip authentication: FAILED (DG14 does not match EF.SOD)",
       "Active authentication: PASSED (key not vouched for by EF.SOD)"},
      {"DG15 not listed in EF.SOD fails active authentication",
       Passive(TPaVerdict::Failed, {{14, true}, {15, false}}),
       {},
       {Passed, ""},
       TVerdictShown::NotGenuine,
       "Chip authentication: not supported",
       "Active authentication: FAILED (DG15 does not match EF.SOD)"},
      // A key proved but not vouched for: the line says so (amber).
      {"chip checks cannot make up for a missing EF.SOD",
       Passive(TPaVerdict::Incomplete),
       {Passed, ""},
       {Passed, ""},
       TVerdictShown::Incomplete,
       "Chip authentication: PASSED (key not vouched for by EF.SOD)",
       "Active authentication: PASSED (key not vouched for by EF.SOD)"},
      {"nor for a failed Passive Authentication",
       Passive(TPaVerdict::Failed, keysMatch),
       {Passed, ""},
       {Passed, ""},
       TVerdictShown::NotGenuine,
       "Chip authentication: PASSED (key not vouched for by EF.SOD)",
       "Active authentication: PASSED (key not vouched for by EF.SOD)"},
      {"EF.SOD lists DG14: a chip that proves nothing is not genuine",
       [] {
         TPaResult passive = Passive(TPaVerdict::Passed, {{1, true}});
         passive.Listed = {1, 14};
         return passive;
       }(),
       {},
       {},
       TVerdictShown::Incomplete,
       "Chip authentication: not supported",
       "Active authentication: not supported"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const TDocumentVerdict verdict = DecideDocumentVerdict(c.Pa, c.Ca, c.Aa);
    EXPECT_EQ(verdict.Shown, c.Shown);
    ASSERT_EQ(verdict.ChipLines.size(), 2u);
    EXPECT_EQ(verdict.ChipLines[0].Text, c.CaLine);
    EXPECT_EQ(verdict.ChipLines[1].Text, c.AaLine);
    EXPECT_EQ(verdict.Details, c.Pa.Lines[0].Text + "\n" + c.Pa.Lines[1].Text + "\n" + c.CaLine + "\n" + c.AaLine);
  }
}

TEST(DocumentVerdict, ColoursPassedGreenUnvouchedAmberAndFailedRed) {
  const TDocumentVerdict verdict = DecideDocumentVerdict(Passive(TPaVerdict::Passed, {{14, true}}), {Passed, ""},
                                                         {Failed, "signature does not verify"});
  EXPECT_EQ(verdict.ChipLines[0].Kind, TPaLineKind::Passed);
  EXPECT_EQ(verdict.ChipLines[1].Kind, TPaLineKind::Failure);
  EXPECT_EQ(DecideDocumentVerdict(Passive(TPaVerdict::Incomplete), {Passed, ""}, {}).ChipLines[0].Kind,
            TPaLineKind::Warning);
  EXPECT_EQ(DecideDocumentVerdict(Passive(TPaVerdict::Passed), {}, {NotPossible, "x"}).ChipLines[1].Kind,
            TPaLineKind::Info);
}

}  // namespace

namespace {

TCardSecurityCheck CardSecurity(TPaVerdict verdict) {
  TCardSecurityCheck check;
  check.Verdict = verdict;
  check.Reason = verdict == TPaVerdict::Passed ? "" : "CSCA not in the trust store";
  check.Line = {"EF.CardSecurity: 1862 bytes, signature valid, CSCA: ...", TPaLineKind::Info};
  return check;
}

struct TSignedInfosCase {
  const char* Name;
  TChipCheck Ca;
  std::optional<TPaVerdict> CardSecurityVerdict;  // none: not read
  std::optional<bool> CardAccessConfirmed;
  TVerdictShown Shown;
  std::vector<std::string> Lines;
  TPaLineKind CaKind;
};

// PACE-CAM's Chip Authentication stands on EF.CardSecurity, and EF.CardAccess
// on the signed SecurityInfos; EF.SOD passed and vouches for DG14 and DG15 throughout.
TEST(DocumentVerdict, TakesPaceCamAndTheSignedSecurityInfos) {
  const std::vector<TSignedInfosCase> cases{
      {"PACE-CAM with a verified EF.CardSecurity",
       {Passed, ""},
       TPaVerdict::Passed,
       true,
       TVerdictShown::Genuine,
       {"EF.CardAccess: confirmed by the signed security infos", "Chip authentication: PASSED (PACE-CAM)",
        "Active authentication: not supported"},
       TPaLineKind::Passed},
      {"PACE-CAM with an EF.CardSecurity whose CSCA is not at hand",
       {Passed, ""},
       TPaVerdict::Incomplete,
       std::nullopt,
       TVerdictShown::Incomplete,
       {"Chip authentication: PASSED (PACE-CAM; key not vouched for by EF.CardSecurity)",
        "Active authentication: not supported"},
       TPaLineKind::Warning},
      {"PACE-CAM with a wrong CA_IC",
       {Failed, "wrong CA_IC"},
       TPaVerdict::Passed,
       true,
       TVerdictShown::NotGenuine,
       {"EF.CardAccess: confirmed by the signed security infos", "Chip authentication: FAILED (wrong CA_IC)",
        "Active authentication: not supported"},
       TPaLineKind::Failure},
      {"PACE-CAM with an EF.CardSecurity that does not verify",
       {Failed, "EF.CardSecurity: signature invalid"},
       TPaVerdict::Failed,
       std::nullopt,
       TVerdictShown::NotGenuine,
       {"Chip authentication: FAILED (EF.CardSecurity: signature invalid)", "Active authentication: not supported"},
       TPaLineKind::Failure},
      {"PACE-CAM without EF.CardSecurity",
       {NotPossible, "no EF.CardSecurity"},
       std::nullopt,
       std::nullopt,
       TVerdictShown::Incomplete,
       {"Chip authentication: not possible (no EF.CardSecurity)", "Active authentication: not supported"},
       TPaLineKind::Info},
      {"a PACEInfo the signed infos do not hold: a downgrade",
       {Passed, ""},
       TPaVerdict::Passed,
       false,
       TVerdictShown::NotGenuine,
       {"EF.CardAccess: not confirmed by the signed security infos", "Chip authentication: PASSED (PACE-CAM)",
        "Active authentication: not supported"},
       TPaLineKind::Passed},
  };
  for (const TSignedInfosCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const TPaResult passive = Passive(TPaVerdict::Passed, {{1, true}, {14, true}});
    const std::optional<TCardSecurityCheck> cardSecurity =
        c.CardSecurityVerdict ? std::optional(CardSecurity(*c.CardSecurityVerdict)) : std::nullopt;
    const TDocumentVerdict verdict = DecideDocumentVerdict(
        passive, c.Ca, {}, {cardSecurity ? &*cardSecurity : nullptr, c.CardAccessConfirmed, true});
    EXPECT_EQ(verdict.Shown, c.Shown);
    std::vector<std::string> lines;
    for (const TPaLine& line : verdict.ChipLines) lines.push_back(line.Text);
    EXPECT_EQ(lines, c.Lines);
    const TPaLine& caLine = verdict.ChipLines[verdict.ChipLines.size() - 2];
    EXPECT_EQ(caLine.Kind, c.CaKind);
    if (c.CardAccessConfirmed) {
      EXPECT_EQ(verdict.ChipLines[0].Kind, *c.CardAccessConfirmed ? TPaLineKind::Info : TPaLineKind::Failure);
    }
    // The tooltip: Passive Authentication's lines, EF.CardSecurity's, then the chip lines.
    std::string details = passive.Lines[0].Text + "\n" + passive.Lines[1].Text;
    if (cardSecurity) details += "\n" + cardSecurity->Line.Text;
    for (const std::string& line : lines) details += "\n" + line;
    EXPECT_EQ(verdict.Details, details);
  }
}

// The same Chip Authentication outcome, taken as DG14's, is vouched for by EF.SOD and shows no method.
TEST(DocumentVerdict, ChipAuthenticationOfDg14IsNotTakenForPaceCam) {
  const TCardSecurityCheck cardSecurity = CardSecurity(TPaVerdict::Incomplete);
  const TDocumentVerdict verdict =
      DecideDocumentVerdict(Passive(TPaVerdict::Passed, {{14, true}}), {Passed, ""}, {}, {&cardSecurity, {}, false});
  EXPECT_EQ(verdict.ChipLines[0].Text, "Chip authentication: PASSED");
  EXPECT_EQ(verdict.Shown, TVerdictShown::Incomplete) << "EF.CardSecurity's own doubt still counts";
}

}  // namespace
