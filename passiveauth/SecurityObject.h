#pragma once
// The LDS security object carried in EF.SOD (versions 0 and 1): the hash
// algorithm and the hash of each data group.

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct TSecurityObject {
  long Version = 0;                                 // 0, or 1 with the LDS and Unicode versions
  std::string HashAlgorithm;                        // OpenSSL's name of the digest, e.g. "SHA256"
  std::string LdsVersion;                           // version 1 only, e.g. "0108"
  std::string UnicodeVersion;                       // version 1 only
  std::map<int, std::vector<std::uint8_t>> Hashes;  // data group number -> hash
};

// Decodes the DER (or BER) encoded LDSSecurityObject; nullopt when it is not one.
std::optional<TSecurityObject> DecodeSecurityObject(std::span<const std::uint8_t> der);

// Encodes one (for tests, fixtures and the sample documents). The hash
// algorithm is named as OpenSSL names it; throws std::runtime_error on an unknown name.
std::vector<std::uint8_t> EncodeSecurityObject(const TSecurityObject& object);
