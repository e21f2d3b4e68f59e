#pragma once
// The chip's half of Chip Authentication (ICAO 9303-11 6.2, BSI TR-03110
// part 3, version 1): the protocol named by the terminal's OID, the key
// agreement of the chip's static private key with the terminal's ephemeral
// public key, and the new secure messaging keys derived from the secret.

#include <openssl/evp.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "tools/simchip/SmCipher.h"

namespace simchip {

enum class EKeyAgreement { Dh, Ecdh };

struct TCaProtocol {
  std::string_view Name;  // e.g. "id-CA-ECDH-AES-CBC-CMAC-128"
  TBytes Oid;             // DER content octets, as in DO'80'
  EKeyAgreement Agreement = EKeyAgreement::Ecdh;
  ESmCipher Cipher = ESmCipher::TripleDes;
  std::size_t KeyLength = 16;  // bytes of KS_Enc and KS_MAC
};

// The protocol of an OID's content octets; null when it names none.
const TCaProtocol* FindCaProtocol(std::span<const std::uint8_t> oid);
// The protocol of MSE:Set KAT, which names none: 3DES with the key's own agreement.
const TCaProtocol& KatProtocol(EVP_PKEY& chipKey);
// Whether the chip's key does the protocol's key agreement (DH or ECDH).
bool KeyFitsProtocol(EVP_PKEY& chipKey, const TCaProtocol& protocol);

// The shared secret of the chip's private key and the terminal's public key as
// sent (EC: an uncompressed point; DH: the public number, big-endian): the
// x-coordinate at the field's length, or the DH secret at the length of p.
// Empty when the public key is not one of the chip's group.
std::optional<TBytes> CaSharedSecret(EVP_PKEY& chipKey, std::span<const std::uint8_t> terminalKey);

// KS_Enc and KS_MAC: SHA-1 (3DES with parity bits, AES-128) or SHA-256
// (AES-192, AES-256) of the secret and the counter 1 or 2.
TSmKeys DeriveCaSessionKeys(std::span<const std::uint8_t> secret, const TCaProtocol& protocol);

}  // namespace simchip
