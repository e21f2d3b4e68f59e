#pragma once
// The chip's static Chip Authentication key out of its SubjectPublicKeyInfo:
// the group to agree a key on and the public key in the encoding that group
// reads (04 || x || y, or y over the length of p).
//
// EC keys: the curve, named or given by explicit parameters (as most
// documents give it), must be one of the named curves the program knows
// (the standard PACE curves, brainpool and NIST); explicit parameters are
// compared with each and the named curve is used. Other curves are refused,
// so no arithmetic runs on parameters a document made up. DH keys
// (dhpublicnumber, X9.42 DomainParameters) use their own p, q and g. Keys
// whose algorithm is standardizedDomainParameters (0.4.0.127.0.7.1.2, as in
// EF.CardSecurity) take the standard group of that parameter id.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "crypto/PaceGroup.h"
#include "crypto/PaceProtocols.h"

struct TChipPublicKey {
  TPaceAgreement Agreement = TPaceAgreement::Ecdh;
  std::string GroupName;  // "brainpoolP256r1", or "<bits>-bit MODP group"
  std::unique_ptr<TPaceGroup> Group;
  std::vector<std::uint8_t> Key;  // the public key as Group's public keys are encoded
};

struct TChipPublicKeyDecoding {
  std::optional<TChipPublicKey> Key;
  std::string Failure;  // why there is none, e.g. "explicit EC parameters of no known curve"
};

TChipPublicKeyDecoding DecodeChipPublicKey(std::span<const std::uint8_t> subjectPublicKeyInfo);
