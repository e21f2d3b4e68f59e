#include "document/Document.h"

TFileState TDocument::DataGroupState(int number) const {
  const auto found = DataGroups.find(number);
  return found == DataGroups.end() ? TFileState::NotAsked : found->second.State;
}

THashCheck TDocument::HashCheck(int number) const {
  if (!PassiveAuthentication) return THashCheck::NotChecked;
  const auto compared = PassiveAuthentication->HashMatches.find(number);
  if (compared == PassiveAuthentication->HashMatches.end()) return THashCheck::NotChecked;
  if (compared->second) return THashCheck::Matched;
  return PassiveAuthentication->NotListed.contains(number) ? THashCheck::NotListed : THashCheck::Mismatched;
}

std::string TDocument::IssuingState() const { return Dg1 ? Dg1->IssuingState.Str() : std::string(); }
