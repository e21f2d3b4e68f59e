#pragma once
// The Chip Authentication protocols the program runs (ICAO 9303-11 §6.2,
// BSI TR-03110 CA version 1): the object identifiers of ChipAuthenticationInfo
// (id-CA-DH-*, id-CA-ECDH-*) with their key agreement and the cipher of the
// secure messaging that follows, and the public key protocols of
// ChipAuthenticationPublicKeyInfo (id-PK-DH, id-PK-ECDH).

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "crypto/PaceProtocols.h"

struct TCaProtocol {
  std::string_view Name;              // e.g. "id-CA-ECDH-AES-CBC-CMAC-128"
  std::span<const std::uint8_t> Oid;  // content octets of the OBJECT IDENTIFIER
  TPaceAgreement Agreement;
  TPaceCipher Cipher;  // secure messaging after CA
};

// The protocol with these OID content octets; nothing for any other OID.
std::optional<TCaProtocol> FindCaProtocol(std::span<const std::uint8_t> oid);
// True when oid starts with id-CA (0.4.0.127.0.7.2.2.3).
bool IsCaOid(std::span<const std::uint8_t> oid);
// The protocol a chip runs when its DG14 holds a public key but no
// ChipAuthenticationInfo: id-CA-DH-3DES-CBC-CBC or id-CA-ECDH-3DES-CBC-CBC.
TCaProtocol ImpliedCaProtocol(TPaceAgreement agreement);

// id-PK-DH (0.4.0.127.0.7.2.2.1.1) or id-PK-ECDH (...1.2); nothing for other OIDs.
std::optional<TPaceAgreement> FindCaKeyProtocol(std::span<const std::uint8_t> oid);
