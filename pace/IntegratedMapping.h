#pragma once
// The pseudo-random function R(s, t) of PACE Integrated Mapping (ICAO 9303-11
// §4.4.3.3.2): the chip's nonce s and the terminal's nonce t mapped to n
// blocks from the suite's block cipher in CBC with a zero IV. The first key
// is E(t, s); each block i then gives x_i = E(k, c1) and the next key
// E(k, c0), keys cut to the cipher's key length k; n is the least number of
// l-bit blocks with n·l >= bits(p) + 64. The group turns R into the
// generator (TPaceGroup::MapPseudoRandom).

#include <cstddef>
#include <optional>
#include <span>

#include "crypto/PaceProtocols.h"
#include "crypto/SecretBuffer.h"

// Length of the terminal's nonce t: the cipher's key length (3DES counted as 16 bytes).
std::size_t IntegratedMappingNonceLength(TPaceCipher cipher);
// l in bytes, the length of s, of c0, c1 and of each block of R: 16 for 3DES
// and AES-128, 32 for AES-192 and AES-256.
std::size_t IntegratedMappingBlockLength(TPaceCipher cipher);
// R(s, t) for a prime of primeBits bits; nothing when s or t do not have
// their lengths.
std::optional<TSecretBuffer> IntegratedMappingRandom(TPaceCipher cipher, std::span<const std::uint8_t> s,
                                                     std::span<const std::uint8_t> t, int primeBits);
