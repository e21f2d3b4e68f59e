#pragma once
// Commands under ICAO 9303 secure messaging with 3DES: the command data
// enciphered in DO'87', the expected length in DO'97', and DO'8E', the MAC
// over the padded header and these data objects.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "crypto/MrtdContext.h"
#include "reader/Apdu.h"

using TMacDataObject = std::array<std::uint8_t, 10>;

// DO'87' of up to 15 bytes of command data: 87, cryptogram length + 1, 01,
// then the data padded (always) and enciphered under encK. Returns the
// object's length (11 for a 2-byte file identifier); object holds at least
// data padded + 3 bytes.
std::size_t BuildEncryptedDataObject(const tMRTD_CTX& ctx, std::span<const std::uint8_t> data,
                                     std::span<std::uint8_t> object);

// DO'8E': 8E 08 and the MAC of macInput (advances SSC once).
TMacDataObject BuildMacDataObject(tMRTD_CTX& ctx, std::span<const std::uint8_t> macInput);

// The protected form of a plain command: CLA 0C, DO'87' when it has data,
// DO'97' when it has an Le, DO'8E', Le 00. A short command keeps at most 231
// data bytes (a SELECT's file identifier, a Chip Authentication key), so that
// it stays short; an extended one keeps all of them and goes extended, its
// DO'97' and Le in two bytes. Advances SSC once.
TCommandApdu BuildProtectedCommand(tMRTD_CTX& ctx, const TCommandApdu& plain);

// 0C A4 02 0C 15 DO'87' DO'8E' 00: protected SELECT of file 01 nn (number 0 =
// EF.COM, 01 1E), 27 bytes. Advances SSC once.
TCommandApdu BuildSecureSelectFile(tMRTD_CTX& ctx, std::uint8_t number);

// 0C B0 P1 P2 0D 97 01 Le DO'8E' 00: protected READ BINARY, 19 bytes; Le 0x00
// stands for 256 (and is also written for 0). Advances SSC once. Nothing
// (and SSC left) when length is greater than 256.
std::optional<TCommandApdu> BuildSecureReadBinary(tMRTD_CTX& ctx, std::uint16_t offset, std::uint16_t length);
