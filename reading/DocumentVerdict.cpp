#include "reading/DocumentVerdict.h"

#include "reading/CardAccessConfirmation.h"

#include <algorithm>
#include <string_view>

namespace {

constexpr int kChipAuthenticationKeys = 14;
constexpr int kActiveAuthenticationKey = 15;

// A passed check whose key EF.SOD does not vouch for (no EF.SOD, the key's
// data group not compared with it, or Passive Authentication not PASSED):
// the chip proved a key, but not one the issuing state signed.
struct TVouchedCheck {
  TChipCheck Check;
  bool Unvouched = false;
  std::string Method = {};  // "PACE-CAM" when the chip proved EF.CardSecurity's key through PACE
};

// The outcome once EF.SOD has been asked about the data group holding the key.
TVouchedCheck Vouched(TChipCheck check, const TPaResult& passive, int keyDataGroup) {
  if (check.Outcome != TChipCheckOutcome::Passed) return {check};
  const auto compared = passive.HashMatches.find(keyDataGroup);
  if (compared != passive.HashMatches.end() && !compared->second)
    return {{TChipCheckOutcome::Failed, "DG" + std::to_string(keyDataGroup) + " does not match EF.SOD"}};
  return {check, compared == passive.HashMatches.end() || passive.Verdict != TPaVerdict::Passed};
}

// PACE-CAM's key is EF.CardSecurity's: vouched for when that verified.
TVouchedCheck VouchedByCardSecurity(TChipCheck check, const TCardSecurityCheck* cardSecurity) {
  if (check.Outcome != TChipCheckOutcome::Passed) return {check, false, "PACE-CAM"};
  return {check, cardSecurity == nullptr || cardSecurity->Verdict != TPaVerdict::Passed, "PACE-CAM"};
}

TPaLine LineOf(std::string_view checkName, const TVouchedCheck& vouched) {
  const std::string name(checkName);
  const TChipCheck& check = vouched.Check;
  const std::string& method = vouched.Method;
  switch (check.Outcome) {
    case TChipCheckOutcome::Passed:
      if (vouched.Unvouched)
        return {name + ": PASSED (" + (method.empty() ? "" : method + "; ") + "key not vouched for by " +
                    (method.empty() ? "EF.SOD" : "EF.CardSecurity") + ")",
                TPaLineKind::Warning};
      return {name + ": PASSED" + (method.empty() ? "" : " (" + method + ")"), TPaLineKind::Passed};
    case TChipCheckOutcome::Failed:
      return {name + ": FAILED (" + check.Reason + ")", TPaLineKind::Failure};
    case TChipCheckOutcome::NotPossible:
      return {name + ": not possible (" + check.Reason + ")", TPaLineKind::Info};
    case TChipCheckOutcome::NotSupported:
      break;
  }
  return {name + ": not supported", TPaLineKind::Info};
}

std::optional<TPaLine> CardAccessLine(std::optional<bool> confirmed) {
  if (!confirmed) return std::nullopt;
  if (*confirmed) return TPaLine{"EF.CardAccess: confirmed by the signed security infos", TPaLineKind::Info};
  return TPaLine{"EF.CardAccess: not confirmed by the signed security infos", TPaLineKind::Failure};
}

TVerdictShown Decide(const TPaResult& passive, const TChipCheck& chip, const TChipCheck& active,
                     const TSecurityInfoChecks& infos) {
  const auto is = [&](TChipCheckOutcome outcome) { return chip.Outcome == outcome || active.Outcome == outcome; };
  const auto cardSecurityIs = [&](TPaVerdict verdict) {
    return infos.CardSecurity != nullptr && infos.CardSecurity->Verdict == verdict;
  };
  if (passive.Verdict == TPaVerdict::Failed || is(TChipCheckOutcome::Failed) || cardSecurityIs(TPaVerdict::Failed) ||
      infos.CardAccessConfirmed == false)
    return TVerdictShown::NotGenuine;
  if (passive.Verdict == TPaVerdict::Incomplete || cardSecurityIs(TPaVerdict::Incomplete))
    return TVerdictShown::Incomplete;
  // What the chip must prove comes from EF.SOD, which is signed; EF.COM,
  // which anyone can write, only adds to it.
  const bool chipOffersOne =
      chip.Outcome != TChipCheckOutcome::NotSupported || active.Outcome != TChipCheckOutcome::NotSupported ||
      passive.Listed.contains(kChipAuthenticationKeys) || passive.Listed.contains(kActiveAuthenticationKey);
  if (chipOffersOne && !is(TChipCheckOutcome::Passed)) return TVerdictShown::Incomplete;
  return TVerdictShown::Genuine;
}

}  // namespace

TDocumentVerdict DecideDocumentVerdict(const TPaResult& passive, const TChipCheck& chipAuthentication,
                                       const TChipCheck& activeAuthentication, const TSecurityInfoChecks& infos) {
  const TVouchedCheck chip = infos.ChipAuthenticationByCam
                                 ? VouchedByCardSecurity(chipAuthentication, infos.CardSecurity)
                                 : Vouched(chipAuthentication, passive, kChipAuthenticationKeys);
  const TVouchedCheck active = Vouched(activeAuthentication, passive, kActiveAuthenticationKey);
  TDocumentVerdict verdict;
  if (const std::optional<TPaLine> cardAccess = CardAccessLine(infos.CardAccessConfirmed))
    verdict.ChipLines.push_back(*cardAccess);
  verdict.ChipLines.push_back(LineOf("Chip authentication", chip));
  verdict.ChipLines.push_back(LineOf("Active authentication", active));
  verdict.Shown = Decide(passive, chip.Check, active.Check, infos);
  const auto detail = [&verdict](const TPaLine& line) {
    verdict.Details += (verdict.Details.empty() ? "" : "\n") + line.Text;
  };
  std::ranges::for_each(passive.Lines, detail);
  if (infos.CardSecurity != nullptr) detail(infos.CardSecurity->Line);
  std::ranges::for_each(verdict.ChipLines, detail);
  return verdict;
}

namespace {

TChipCheck AbsentKeyFile(const TDocument& document, const TChipCheck& check, int number) {
  const bool listed = document.PassiveAuthentication && document.PassiveAuthentication->Listed.contains(number);
  if (!listed || document.DataGroupState(number) != TFileState::Absent) return check;
  return {TChipCheckOutcome::Failed, "DG" + std::to_string(number) + " listed in EF.SOD but absent on the chip"};
}

}  // namespace

TDocumentVerdict DecideDocumentVerdict(const TDocument& document) {
  const TSecurityInfoChecks infos{document.CardSecurityCheck ? &*document.CardSecurityCheck : nullptr,
                                  CardAccessConfirmed(document), document.ChipAuthenticationByCam};
  return DecideDocumentVerdict(document.PassiveAuthentication.value_or(TPaResult{}),
                               AbsentKeyFile(document, document.ChipAuthentication, kChipAuthenticationKeys),
                               AbsentKeyFile(document, document.ActiveAuthentication, kActiveAuthenticationKey), infos);
}
