#pragma once
// SHA-1 (FIPS 180) on OpenSSL's libcrypto, for the BAC key derivation.

#include <array>
#include <cstdint>
#include <span>

using TSha1Digest = std::array<std::uint8_t, 20>;

TSha1Digest Sha1(std::span<const std::uint8_t> data);
