#pragma once
// DG15: the public key of Active Authentication, a SubjectPublicKeyInfo
// (RFC 5280) inside tag 0x6F, decoded by libcrypto. RSA keys (rsaEncryption)
// and EC keys, named or with explicit curve parameters, are taken; anything
// else gives nothing.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include <openssl/evp.h>

#include "crypto/OpenSslPointers.h"

enum class TAaKeyKind {
  Rsa,  // ISO/IEC 9796-2 signatures with message recovery
  Ec,   // ECDSA, plain r || s
};

struct TDG15File {
  TAaKeyKind Kind = TAaKeyKind::Rsa;
  TEvpPkeyPtr Key;
  int KeyBits = 0;  // the modulus for RSA, the group order for EC
  // The length of the chip's answer to INTERNAL AUTHENTICATE: the modulus
  // in bytes for RSA; r and s at the order's length for ECDSA (BSI TR-03111
  // plain format).
  std::size_t SignatureLength = 0;
};

// Decodes the DG15 object at the start of bytes: tag 0x6F, a short or 0x81 /
// 0x82 length, and a SubjectPublicKeyInfo that fills its value exactly. Bytes
// behind the object are never looked at. Nothing for another tag, a length
// that runs past bytes, a key libcrypto cannot decode, a key that is
// neither RSA nor EC, or an RSA modulus above what libcrypto will use
// (OPENSSL_RSA_MAX_MODULUS_BITS).
std::optional<TDG15File> DecodeDG15(std::span<const std::uint8_t> bytes);
