#include "passiveauth/CountryCodes.h"

#include <map>

namespace {

struct TCodePair {
  std::string_view ThreeLetters;
  std::string_view TwoLetters;
};

constexpr TCodePair kIsoCountries[] = {
#include "passiveauth/CountryTable.inc"
};

// ICAO's codes beyond ISO 3166-1 that belong to a country with a two-letter code.
constexpr TCodePair kIcaoCodes[] = {
    {"D", "DE"},    // Germany
    {"GBD", "GB"},  // British Overseas Territories citizen
    {"GBN", "GB"},  // British National (Overseas)
    {"GBO", "GB"},  // British Overseas citizen
    {"GBP", "GB"},  // British protected person
    {"GBS", "GB"},  // British subject
    {"RKS", "XK"},  // Kosovo
    {"EUE", "EU"},  // European Union
};

const std::map<std::string_view, std::string_view>& Codes() {
  static const auto codes = [] {
    std::map<std::string_view, std::string_view> all;
    for (const TCodePair& pair : kIsoCountries) all.emplace(pair.ThreeLetters, pair.TwoLetters);
    for (const TCodePair& pair : kIcaoCodes) all.emplace(pair.ThreeLetters, pair.TwoLetters);
    return all;
  }();
  return codes;
}

}  // namespace

std::optional<std::string> TwoLetterCountry(std::string_view issuingState) {
  while (!issuingState.empty() && (issuingState.back() == '<' || issuingState.back() == ' '))
    issuingState.remove_suffix(1);
  const auto found = Codes().find(issuingState);
  if (found == Codes().end()) return std::nullopt;
  return std::string(found->second);
}
