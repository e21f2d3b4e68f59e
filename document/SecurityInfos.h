#pragma once
// SecurityInfos: the DER SET of SEQUENCEs, each starting with a protocol
// OID, that DG14 and EF.CardSecurity carry (the one signed by EF.SOD, the
// other by its own CMS signature) and EF.CardAccess carries unsigned.
// Kept as values: every PACEInfo, ChipAuthenticationInfo,
// ChipAuthenticationPublicKeyInfo (the key as its SubjectPublicKeyInfo DER,
// explicit EC parameters and DH keys included),
// ChipAuthenticationDomainParameterInfo and the ActiveAuthenticationInfo;
// every entry's protocol OID in the file's order, the ones passed over
// (TerminalAuthenticationInfo, ...) included.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

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

// ChipAuthenticationDomainParameterInfo: id-CA-DH or id-CA-ECDH, the domain
// parameters (an AlgorithmIdentifier: standardized parameters by id, or
// explicit ones), an optional key id.
struct TChipAuthenticationDomainParameterInfo {
  std::vector<std::uint8_t> Oid;
  std::vector<std::uint8_t> DomainParameter;   // the AlgorithmIdentifier, DER
  std::optional<std::int64_t> StandardizedId;  // when it names standardized parameters
  std::optional<std::int64_t> KeyId;
  bool operator==(const TChipAuthenticationDomainParameterInfo&) const = default;
};

// PACEInfo: the protocol (id-PACE-*), its version and the standardized
// domain parameters' id, when given.
struct TPaceInfoEntry {
  std::vector<std::uint8_t> Oid;
  std::int64_t Version = 0;
  std::optional<std::int64_t> ParameterId;
  bool operator==(const TPaceInfoEntry&) const = default;
};

struct TActiveAuthenticationInfo {
  std::int64_t Version = 0;
  // Content octets of the signature algorithm's OBJECT IDENTIFIER (e.g.
  // ecdsa-with-SHA256): the hash of an ECDSA Active Authentication.
  std::vector<std::uint8_t> SignatureAlgorithm;
  bool operator==(const TActiveAuthenticationInfo&) const = default;
};

struct TSecurityInfos {
  std::vector<TPaceInfoEntry> PaceInfos;
  std::vector<TChipAuthenticationInfo> ChipAuthenticationInfos;
  std::vector<TChipAuthenticationPublicKeyInfo> ChipAuthenticationPublicKeys;
  std::vector<TChipAuthenticationDomainParameterInfo> ChipAuthenticationDomainParameters;
  std::optional<TActiveAuthenticationInfo> ActiveAuthentication;
  std::vector<std::vector<std::uint8_t>> Protocols;  // every entry's protocol OID, in the file's order
};

// The SecurityInfos of a DER SET (the SET's own tag and length included).
// Nothing when the bytes are not one SET. An entry the program cannot use (not
// a SEQUENCE starting with an OBJECT IDENTIFIER, or a known entry whose fields
// are not as they should be) is passed over: the others still count.
std::optional<TSecurityInfos> ParseSecurityInfos(std::span<const std::uint8_t> set);

// The ChipAuthenticationPublicKeyInfo with this key id; nothing when there is
// none, or more than one.
const TChipAuthenticationPublicKeyInfo* PublicKeyWithId(const TSecurityInfos& infos, std::int64_t keyId);
