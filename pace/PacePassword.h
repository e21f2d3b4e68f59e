#pragma once
// The password PACE runs with: its reference in MSE:Set AT and f(π), the
// bytes K_π is derived from (K_π = KDF(f(π), 3), ICAO 9303-11 §4.4.3.3 and
// BSI TR-03110). For the MRZ f(π) is SHA-1 of the MRZ information; for the
// card access number (CAN) it is the CAN's characters as they are, no hash.

#include <cstdint>
#include <span>
#include <string>

#include "crypto/SecretBuffer.h"

enum class TPasswordReference : std::uint8_t { Mrz = 0x01, Can = 0x02 };

struct TPacePassword {
  TPasswordReference Reference = TPasswordReference::Mrz;
  TSecretBuffer Seed;  // f(π)
};

TPacePassword MrzPassword(const std::string& mrzInformation);
// The CAN as the operator typed it (its digits as ASCII characters).
TPacePassword CanPassword(std::span<const std::uint8_t> can);
