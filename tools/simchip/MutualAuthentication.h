#pragma once
// The chip's half of the Basic Access Control mutual authentication: checks
// the terminal's EXTERNAL AUTHENTICATE cryptogram E_IFD || M_IFD against the
// challenge it gave, and answers with its own E_ICC || M_ICC and the session
// keys and send sequence counter both sides derive from it.

#include <optional>
#include <span>

#include "tools/simchip/CardCrypto.h"

namespace simchip {

inline constexpr std::size_t kAuthenticationDataSize = 40;  // 32 bytes cryptogram, 8 bytes MAC

struct TAuthenticationResult {
  TBytes Answer;  // E_ICC || M_ICC, 40 bytes
  TKeyPair SessionKeys;
  TBlock InitialCounter{};
};

// documentKeys: K_Enc and K_MAC from the MRZ information; challenge: RND.ICC as
// sent in the GET CHALLENGE answer; terminalData: the command's 40 data bytes;
// keyMaterial: the chip's K.ICC. Empty when the MAC is wrong or the deciphered
// cryptogram does not carry the challenge.
std::optional<TAuthenticationResult> AuthenticateTerminal(const TKeyPair& documentKeys, const TBlock& challenge,
                                                          std::span<const std::uint8_t> terminalData,
                                                          const TKey& keyMaterial);

}  // namespace simchip
