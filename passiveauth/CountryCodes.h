#pragma once
// The issuing state of DG1 (three letters: ISO 3166-1 alpha-3 or one of
// ICAO's own codes) as the two-letter country code certificates carry.

#include <optional>
#include <string>
#include <string_view>

// "TUR" -> "TR", "D<<" -> "DE", "GBD" -> "GB"; nullopt for codes without a
// two-letter form, such as the specimen state UTO or the United Nations' UNO.
std::optional<std::string> TwoLetterCountry(std::string_view issuingState);
