#pragma once
// The PACE protocols the chip's own implementation serves, by name and OID
// (0.4.0.127.0.7.2.2.4.m.c): Generic and Integrated Mapping with DH or ECDH,
// Chip Authentication Mapping with ECDH, AES only. Integrated Mapping only
// with AES-128, whose pseudo-random function constants the chip holds.

#include <cstdint>
#include <span>
#include <string_view>

#include "tools/simchip/Bytes.h"

namespace mappingchip {

enum class EMapping { Generic, Integrated, ChipAuthentication };

struct TMappingProtocol {
  std::string_view Name;
  simchip::TBytes Oid;  // DER content octets
  EMapping Mapping;
  bool EllipticCurve;
  std::size_t KeyLength;  // AES key bytes
};

const TMappingProtocol* FindMappingProtocol(std::string_view name);
const TMappingProtocol* FindMappingProtocol(std::span<const std::uint8_t> oid);
// Whether the name is a protocol with Integrated or Chip Authentication Mapping (which OpenPACE's chip cannot
// serve).
bool NeedsOwnMapping(std::string_view name);

}  // namespace mappingchip
