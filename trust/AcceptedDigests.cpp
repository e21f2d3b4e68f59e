#include "trust/AcceptedDigests.h"

#include <algorithm>
#include <array>

bool IsAcceptedDigest(std::string_view shortName) {
  static constexpr std::array<std::string_view, 5> kAccepted{"SHA1", "SHA224", "SHA256", "SHA384", "SHA512"};
  return std::ranges::find(kAccepted, shortName) != kAccepted.end();
}
