#pragma once
// DG14 (tag 6E): the chip's SecurityInfos, a DER SET in no particular order.
// Kept as values: every ChipAuthenticationInfo (id-CA-*), every
// ChipAuthenticationPublicKeyInfo (id-PK-DH, id-PK-ECDH; the key as its
// SubjectPublicKeyInfo DER, explicit EC parameters and DH keys included) and
// the ActiveAuthenticationInfo (id-AA) for Active Authentication. Other
// entries (PACEInfo, TerminalAuthenticationInfo, ...) are passed over.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "document/ChipAuthenticationKey.h"

struct TChipAuthenticationInfo {
  std::vector<std::uint8_t> Oid;  // content octets of the id-CA-* OBJECT IDENTIFIER
  std::int64_t Version = 0;
  std::optional<std::int64_t> KeyId;
  bool operator==(const TChipAuthenticationInfo&) const = default;
};

struct TChipAuthenticationPublicKeyInfo {
  std::vector<std::uint8_t> Oid;            // id-PK-DH or id-PK-ECDH
  std::vector<std::uint8_t> PublicKeyInfo;  // SubjectPublicKeyInfo, DER
  std::optional<std::int64_t> KeyId;
  bool operator==(const TChipAuthenticationPublicKeyInfo&) const = default;
};

struct TActiveAuthenticationInfo {
  std::int64_t Version = 0;
  // Content octets of the signature algorithm's OBJECT IDENTIFIER (e.g.
  // ecdsa-with-SHA256): the hash of an ECDSA Active Authentication.
  std::vector<std::uint8_t> SignatureAlgorithm;
  bool operator==(const TActiveAuthenticationInfo&) const = default;
};

struct TDG14 {
  std::vector<TChipAuthenticationInfo> ChipAuthenticationInfos;
  std::vector<TChipAuthenticationPublicKeyInfo> ChipAuthenticationPublicKeys;
  std::optional<TActiveAuthenticationInfo> ActiveAuthentication;
};

// The SecurityInfos of DG14 as read (6E, length, SET). Nothing when the file
// is not well formed: the wrapper's length does not hold, the SET does not
// fill it, or an entry is not a SEQUENCE starting with an OBJECT IDENTIFIER.
// A known entry whose fields are not as they should be is passed over.
std::optional<TDG14> ParseDG14(std::span<const std::uint8_t> file);

// The Chip Authentication to run: the first ChipAuthenticationInfo whose
// protocol the program knows, with the public key of the same key id (or the
// only key of the right kind when it names none). A DG14 with a key but no
// ChipAuthenticationInfo implies id-CA-ECDH-3DES-CBC-CBC (id-CA-DH-3DES-CBC-CBC
// for a DH key) by MSE:Set KAT. Nothing when there is no such pair.
std::optional<TChipAuthenticationKey> ChooseChipAuthentication(const TDG14& dg14);
