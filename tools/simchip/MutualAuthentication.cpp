#include "tools/simchip/MutualAuthentication.h"

#include <algorithm>

namespace simchip {

std::optional<TAuthenticationResult> AuthenticateTerminal(const TKeyPair& documentKeys, const TBlock& challenge,
                                                          std::span<const std::uint8_t> terminalData,
                                                          const TKey& keyMaterial) {
  if (terminalData.size() != kAuthenticationDataSize) return std::nullopt;
  const auto cryptogram = terminalData.first(32);
  const auto mac = terminalData.subspan(32);
  const TBlock expectedMac = RetailMac(documentKeys.Mac, cryptogram);
  if (!std::equal(mac.begin(), mac.end(), expectedMac.begin())) return std::nullopt;

  // S = RND.IFD || RND.ICC || K.IFD
  const TBytes s = Decrypt3Des(documentKeys.Enc, cryptogram);
  if (!std::equal(challenge.begin(), challenge.end(), s.begin() + 8)) return std::nullopt;
  const auto terminalNonce = std::span(s).first(8);
  const auto terminalKey = std::span(s).subspan(16, 16);

  // R = RND.ICC || RND.IFD || K.ICC
  TBytes r(challenge.begin(), challenge.end());
  Append(r, terminalNonce);
  Append(r, keyMaterial);
  TAuthenticationResult result;
  result.Answer = Encrypt3Des(documentKeys.Enc, r);
  Append(result.Answer, RetailMac(documentKeys.Mac, result.Answer));

  TKey sessionSeed{};
  for (std::size_t i = 0; i < sessionSeed.size(); ++i) sessionSeed[i] = keyMaterial[i] ^ terminalKey[i];
  result.SessionKeys = DeriveKeys(sessionSeed);
  std::copy_n(challenge.begin() + 4, 4, result.InitialCounter.begin());
  std::copy_n(terminalNonce.begin() + 4, 4, result.InitialCounter.begin() + 4);
  return result;
}

}  // namespace simchip
