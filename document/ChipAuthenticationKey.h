#pragma once
// The Chip Authentication a reading runs, as chosen from DG14 by the layer
// that parses it: the protocol, the chip's static public key and how to
// address it.

#include <cstdint>
#include <optional>
#include <vector>

struct TChipAuthenticationKey {
  std::vector<std::uint8_t> ProtocolOid;    // content octets of the id-CA-* OBJECT IDENTIFIER
  std::optional<std::int64_t> KeyId;        // sent in DO'84' when present
  std::vector<std::uint8_t> PublicKeyInfo;  // the chip's SubjectPublicKeyInfo, DER
  // True when a ChipAuthenticationInfo names the protocol: MSE:Set AT and
  // GENERAL AUTHENTICATE. False when DG14 holds only the key: the protocol is
  // implied (3DES) and the key goes in MSE:Set KAT.
  bool Announced = false;
  bool operator==(const TChipAuthenticationKey&) const = default;
};
