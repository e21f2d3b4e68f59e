#pragma once
// The password PACE runs with: its reference in MSE:Set AT and f(π), the
// bytes K_π is derived from (K_π = KDF(f(π), 3)). For the MRZ f(π) is SHA-1
// of the MRZ information; a card access number would be its digits as they are.

#include <cstdint>
#include <string>

#include "crypto/SecretBuffer.h"

enum class TPasswordReference : std::uint8_t { Mrz = 0x01, Can = 0x02 };

struct TPacePassword {
  TPasswordReference Reference = TPasswordReference::Mrz;
  TSecretBuffer Seed;  // f(π)
};

TPacePassword MrzPassword(const std::string& mrzInformation);
