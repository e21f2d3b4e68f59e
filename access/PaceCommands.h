#pragma once
// The commands of PACE: MSE:Set AT and the four chained GENERAL AUTHENTICATE
// steps, and the public key data object the authentication tokens are made over.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "access/PacePassword.h"
#include "reader/Apdu.h"

inline constexpr std::uint8_t kInsManageSecurityEnvironment = 0x22;
inline constexpr std::uint8_t kInsGeneralAuthenticate = 0x86;

// 00 22 C1 A4 Lc 80 <OID> 83 01 <password> [84 01 <parameter id>].
TCommandApdu BuildMseSetAt(std::span<const std::uint8_t> oid, TPasswordReference password,
                           std::optional<std::uint8_t> parameterId);
// 10 86 00 00 Lc 7C L <dynamic authentication data> 00; the last step with CLA 00.
TCommandApdu BuildGeneralAuthenticate(std::uint8_t tag, std::span<const std::uint8_t> value, bool last);
// The first step asks for the encrypted nonce: 10 86 00 00 02 7C 00 00.
TCommandApdu BuildGeneralAuthenticateStart();
// 7F49 { 06 <OID>, 86 <point> or 84 <number> }.
std::vector<std::uint8_t> PublicKeyDataObject(std::span<const std::uint8_t> oid, std::uint8_t keyTag,
                                              std::span<const std::uint8_t> publicKey);
// The value of object `tag` inside the 7C of a GENERAL AUTHENTICATE answer's
// data; nothing when it is absent or the answer is malformed.
std::optional<std::vector<std::uint8_t>> AuthenticationDataObject(std::span<const std::uint8_t> data,
                                                                  std::uint16_t tag);
