#pragma once
// The PACE protocols and standard domain parameters the program knows: the
// object identifiers of PACEInfo (Generic Mapping id-PACE-DH-GM-*,
// id-PACE-ECDH-GM-*; Integrated Mapping id-PACE-DH-IM-*, id-PACE-ECDH-IM-*;
// Chip Authentication Mapping id-PACE-ECDH-CAM-*) with their mapping and
// cipher suite, and the parameter ids 0..2 (RFC 5114 groups) and 8..18 (NIST
// and brainpool curves).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

enum class TPaceCipher { TripleDes, Aes128, Aes192, Aes256 };
enum class TPaceAgreement { Dh, Ecdh };
// How the nonce is mapped to the ephemeral generator: Generic (a key
// agreement), Integrated (a pseudo-random function of both sides' nonces),
// Chip Authentication (Generic, and the chip proves its static key).
enum class TPaceMapping { Generic, Integrated, ChipAuthentication };

struct TPaceProtocol {
  std::string_view Name;              // e.g. "id-PACE-ECDH-GM-AES-CBC-CMAC-128"
  std::span<const std::uint8_t> Oid;  // content octets of the OBJECT IDENTIFIER
  TPaceAgreement Agreement;
  TPaceCipher Cipher;
  TPaceMapping Mapping = TPaceMapping::Generic;
};

struct TPaceDomain {
  std::uint32_t Id;
  std::string_view Name;  // shown in the log, e.g. "brainpoolP256r1"
  TPaceAgreement Agreement;
  int CurveNid;                // ECDH: OpenSSL's curve; 0 for DH
  std::string_view GroupName;  // DH: OpenSSL's name of the RFC 5114 group
  // Whether the public keys fit in short APDUs (at most 255 command bytes):
  // the 2048-bit groups need extended length on both reader and chip.
  bool FitsShortApdus = true;
  // Whether Integrated Mapping's point encoding works on the curve: it needs
  // p = 3 mod 4, which NIST P-224 does not have.
  bool MapsIntegrated = true;
};

// The PACE protocol with these OID content octets; nothing for a PACE
// protocol the program does not know or any other OID.
std::optional<TPaceProtocol> FindPaceProtocol(std::span<const std::uint8_t> oid);
// True when oid starts with id-PACE (0.4.0.127.0.7.2.2.4).
bool IsPaceOid(std::span<const std::uint8_t> oid);
// The standard domain parameters of this id; nothing for ids the program does not know.
std::optional<TPaceDomain> FindPaceDomain(std::uint32_t id);

// Key length of the suite: 16 for 3DES (two keys) and AES-128, 24, 32.
std::size_t CipherKeyLength(TPaceCipher cipher);
// Block length of the suite's cipher: 8 for 3DES, 16 for AES.
std::size_t CipherBlockLength(TPaceCipher cipher);
