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
#include <string>
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
// is not well formed: the wrapper's length does not hold or the SET does not
// fill it. An entry the program cannot use (not a SEQUENCE starting with an
// OBJECT IDENTIFIER, or a known entry whose fields are not as they should be)
// is passed over: the others still count.
std::optional<TDG14> ParseDG14(std::span<const std::uint8_t> file);

// One way of running Chip Authentication that DG14 offers, in DG14's order:
// the protocol and key to run, or why this one cannot be run.
struct TChipAuthenticationOption {
  std::optional<TChipAuthenticationKey> Key;
  std::string Problem;  // when there is no key, e.g. "version 2", "no key with keyId 3"
};

// Every ChipAuthenticationInfo (version 1, the public key of the same key id,
// or the only key of the right kind when it names none); a DG14 with keys but
// no ChipAuthenticationInfo implies id-CA-ECDH-3DES-CBC-CBC
// (id-CA-DH-3DES-CBC-CBC for a DH key) by MSE:Set KAT, one option per key.
std::vector<TChipAuthenticationOption> ChipAuthenticationOptions(const TDG14& dg14);

// The first of the options that has a key; nothing when none has.
std::optional<TChipAuthenticationKey> ChooseChipAuthentication(const TDG14& dg14);
