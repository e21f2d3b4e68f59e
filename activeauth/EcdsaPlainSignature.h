#pragma once
// Active Authentication with an EC key: ECDSA over the challenge, the chip's
// answer in the plain format of BSI TR-03111 (r || s, each at the length of
// the group order), checked by libcrypto after conversion to DER.

#include <cstdint>
#include <span>
#include <string_view>

#include <openssl/evp.h>

#include "activeauth/ActiveAuthResult.h"

// The hash of the signature algorithm DG14's ActiveAuthenticationInfo names,
// as a dotted OID: ecdsa-plain-SHA* (BSI TR-03111, 0.4.0.127.0.7.1.1.4.1.x)
// or ecdsa-with-SHA* (ANSI X9.62). Empty names none: the chip ought to name
// one with an EC key (ICAO 9303-11 §6.1); without it the hash whose length
// matches the group order is taken (SHA-1 up to 160 bits, SHA-224, SHA-256,
// SHA-384, SHA-512 above 384), as TR-03111 pairs them. Nothing (nullptr) for
// an OID not listed.
const EVP_MD* EcdsaDigestFor(std::string_view algorithmOid, int orderBits);

// Verifies the plain signature over challenge with the EC key (named curve or
// explicit parameters) and the hash EcdsaDigestFor gives. Failed when the
// signature is not twice the order's length or does not verify; NotPossible
// when the algorithm is not known.
TAaResult VerifyEcdsaPlainSignature(EVP_PKEY& key, int orderBits, std::span<const std::uint8_t> signature,
                                    std::span<const std::uint8_t> challenge, std::string_view algorithmOid);
