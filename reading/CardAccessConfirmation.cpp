#include "reading/CardAccessConfirmation.h"

#include <algorithm>
#include <vector>

namespace {

constexpr int kSecurityInfosGroup = 14;

// DG14 counts once EF.SOD vouches for it: its hash matched, and EF.SOD's own
// signature, signer and chain hold.
const TSecurityInfos* VerifiedDg14(const TDocument& document) {
  if (!document.Dg14 || !document.PassiveAuthentication) return nullptr;
  const TPaResult& passive = *document.PassiveAuthentication;
  const auto compared = passive.HashMatches.find(kSecurityInfosGroup);
  if (!passive.SodDoubt.empty() || compared == passive.HashMatches.end() || !compared->second) return nullptr;
  return &*document.Dg14;
}

const TSecurityInfos* VerifiedCardSecurity(const TDocument& document) {
  const std::optional<TCardSecurityCheck>& check = document.CardSecurityCheck;
  if (!check || check->Verdict != TPaVerdict::Passed || !check->Infos) return nullptr;
  return &*check->Infos;
}

bool SamePace(const TPaceInfoEntry& a, const TPaceInfoEntry& b) {
  return a.Oid == b.Oid && a.ParameterId == b.ParameterId;
}

}  // namespace

std::optional<bool> CardAccessConfirmed(const TDocument& document) {
  if (document.CardAccessPaceInfos.empty()) return std::nullopt;
  std::vector<const TSecurityInfos*> signedSets;
  for (const TSecurityInfos* set : {VerifiedDg14(document), VerifiedCardSecurity(document)})
    if (set != nullptr) signedSets.push_back(set);
  if (signedSets.empty()) return std::nullopt;
  const auto isSigned = [&signedSets](const TPaceInfoEntry& offered) {
    return std::ranges::any_of(signedSets, [&offered](const TSecurityInfos* set) {
      return std::ranges::any_of(set->PaceInfos,
                                 [&offered](const TPaceInfoEntry& info) { return SamePace(info, offered); });
    });
  };
  return std::ranges::all_of(document.CardAccessPaceInfos, isSigned);
}
