#pragma once
// The commands of PACE: MSE:Set AT, the first of the chained GENERAL
// AUTHENTICATE steps, and the public key data object the authentication
// tokens are made over.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "card/GeneralAuthenticate.h"
#include "pace/PacePassword.h"
#include "reader/Apdu.h"

// 00 22 C1 A4 Lc 80 <OID> 83 01 <password> [84 01 <parameter id>].
TCommandApdu BuildMseSetAt(std::span<const std::uint8_t> oid, TPasswordReference password,
                           std::optional<std::uint8_t> parameterId);
// The first step asks for the encrypted nonce: 10 86 00 00 02 7C 00 00.
TCommandApdu BuildGeneralAuthenticateStart();
// 7F49 { 06 <OID>, 86 <point> or 84 <number> }.
std::vector<std::uint8_t> PublicKeyDataObject(std::span<const std::uint8_t> oid, std::uint8_t keyTag,
                                              std::span<const std::uint8_t> publicKey);
