#pragma once
// ICAO 9303 Part 11 key derivation for two-key triple DES: the key seed from
// the MRZ information, the encryption and MAC keys from a seed.

#include <cstdint>
#include <span>
#include <string>

#include "crypto/MrtdContext.h"

// The first 16 bytes of SHA-1 over the MRZ information (one byte per character).
t128Bit ComputeKeySeed(const std::string& mrzInformation);

// encK from SHA-1(seed || 00000001), macK from SHA-1(seed || 00000002), each
// the first 16 bytes with both halves set to odd parity. Touches nothing else.
void DeriveBacKeys(t128Bit seed, tMRTD_CTX& ctx);
