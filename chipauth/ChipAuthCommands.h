#pragma once
// The plain commands of Chip Authentication (ICAO 9303-11 §6.2), protected
// by the channel that is running when they are sent.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "reader/Apdu.h"

// A key id as DO'84' carries it: big-endian without sign byte, at least one
// byte (195 is C3).
std::vector<std::uint8_t> KeyIdBytes(std::int64_t keyId);
// MSE:Set AT for Chip Authentication: 00 22 41 A4 Lc 80 <OID> [84 <key id>].
TCommandApdu BuildCaMseSetAt(std::span<const std::uint8_t> oid, std::optional<std::int64_t> keyId);
// MSE:Set KAT: 00 22 41 A6 Lc 91 <ephemeral public key> [84 <key id>].
TCommandApdu BuildCaMseSetKat(std::span<const std::uint8_t> publicKey, std::optional<std::int64_t> keyId);
// GENERAL AUTHENTICATE: 00 86 00 00 Lc 7C { 80 <ephemeral public key> } 00.
TCommandApdu BuildCaGeneralAuthenticate(std::span<const std::uint8_t> publicKey);
