#pragma once
// The signature of a CMS SignedData with one signer (EF.SOD, a CSCA master
// list): the signer's certificate found among those the CMS embeds or those
// given, the signed attributes (contentType equal to the eContentType,
// messageDigest equal to the hash of the content) and the signature, with
// the algorithm the SignerInfo names.

#include <cstdint>
#include <span>
#include <string>
#include <variant>

#include "crypto/OpenSslPointers.h"

struct TCmsSignatureCheck {
  TX509Ptr Signer;          // null when no certificate matches the signer
  bool Valid = false;       // signed attributes and signature both good
  std::string Algorithm;    // e.g. "ECDSA with SHA256", "RSASSA-PSS with SHA256"
  std::string Problem;      // why not valid
  int SignerCount = 0;      // SignerInfos in the SignedData; anything but one is invalid
  bool AsReceived = false;  // valid only over the signed attributes as received, not over their DER
};

// The signer is looked for among the certificates the CMS embeds first, then
// among `candidates`. A digest other than SHA-1, SHA-224, SHA-256, SHA-384 or
// SHA-512 is not valid.
// `received`: the SignedData's bytes as they came; when the signature does
// not verify over OpenSSL's DER of the signed attributes, it is tried over
// the attributes in these bytes.
TCmsSignatureCheck CheckCmsSignature(CMS_ContentInfo* cms, std::span<X509* const> candidates = {},
                                     std::span<const std::uint8_t> received = {});

// The content of a CMS SignedData when its eContentType is `expectedOid`.
std::variant<std::span<const std::uint8_t>, std::string> SignedContent(CMS_ContentInfo* cms, const char* expectedOid);
