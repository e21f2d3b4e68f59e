#pragma once
// PACE with Chip Authentication Mapping: what the handshake leaves for the
// check of the chip, and the check itself once the chip's static key is
// known from EF.CardSecurity. The chip proves it holds SK_IC by sending
// CA_IC = SK_Map,IC · SK_IC⁻¹ (enciphered in DO'8A'); the terminal checks
// PK_Map,IC = CA_IC · PK_IC. Only after EF.CardSecurity's signature holds
// does a passed check say that the chip is genuine.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// What PACE-CAM leaves for the check once the chip's static key is known (from EF.CardSecurity).
struct TCamEvidence {
  std::uint32_t ParameterId = 0;             // the PACEInfo's parameterId: the keyId of the chip's CAM key
  std::vector<std::uint8_t> ChipMappingKey;  // PK_Map,IC as the chip sent it (04 || x || y)
  std::vector<std::uint8_t> CaIc;            // CA_IC decrypted from DO'8A', padding removed, full order length
};

struct TCamCheck {
  bool Passed = false;
  std::string Reason;  // why it did not pass, e.g. "wrong CA_IC"
};

// Checks PK_Map,IC = CA_IC · PK_IC, PK_IC given as the SubjectPublicKeyInfo
// DER of the ChipAuthenticationPublicKeyInfo whose keyId is the evidence's
// ParameterId. The key must be an EC key on the curve of that parameter id.
TCamCheck CheckChipAuthenticationMapping(const TCamEvidence& evidence,
                                         std::span<const std::uint8_t> subjectPublicKeyInfo);

// CA_IC out of A_IC (DO'8A' of the chip's last PACE answer): AES-CBC under
// KS_Enc with IV = E(KS_Enc, 16 bytes FF), padding method 2 removed, at
// orderLength bytes (leading zeros put back should the chip have left them
// out). Nothing when A_IC is not whole blocks, carries no padding or holds
// more than orderLength bytes.
std::optional<std::vector<std::uint8_t>> DecryptChipAuthenticationData(std::span<const std::uint8_t> encKey,
                                                                       std::span<const std::uint8_t> aIc,
                                                                       std::size_t orderLength);
