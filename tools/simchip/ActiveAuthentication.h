#pragma once
// The chip's half of Active Authentication (ICAO 9303-11 6.1): its signature
// over the terminal's 8-byte challenge with the key whose public half DG15
// holds. RSA: ISO/IEC 9796-2 digital signature scheme 1 with partial message
// recovery (header 6A, a random M1, the hash of M1 || challenge, trailer BC
// for SHA-1 or hash identifier and CC for the others), raw RSA. ECDSA: the
// hash named by DG14's ActiveAuthenticationInfo, the signature as plain
// r || s, each at the length of the curve's field.

#include <openssl/evp.h>

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

#include "tools/simchip/Lds.h"

namespace simchip {

// Fills a buffer with random bytes (M1 of an RSA signature).
using TRandomFill = std::function<void(std::span<std::uint8_t>)>;

// The digest of DG14's ActiveAuthenticationInfo (its signatureAlgorithm, e.g.
// ecdsa-with-SHA256); null when DG14 is absent or holds none.
const EVP_MD* ActiveAuthenticationDigest(const TLds& lds);

// The signature the chip answers INTERNAL AUTHENTICATE with. rsaDigest serves
// RSA keys, ecdsaDigest EC keys. Throws std::runtime_error for other keys.
TBytes SignChallenge(EVP_PKEY& key, std::span<const std::uint8_t> challenge, const EVP_MD& rsaDigest,
                     const EVP_MD& ecdsaDigest, const TRandomFill& random);

}  // namespace simchip
