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
  TX509Ptr Signer;        // null when no certificate matches the signer
  bool Valid = false;     // signed attributes and signature both good
  std::string Algorithm;  // e.g. "ECDSA with SHA256", "RSASSA-PSS with SHA256"
  std::string Problem;    // why not valid
};

// `candidates` are looked at when the CMS embeds no matching certificate.
TCmsSignatureCheck CheckCmsSignature(CMS_ContentInfo* cms, std::span<X509* const> candidates = {});

// The content of a CMS SignedData when its eContentType is `expectedOid`.
std::variant<std::span<const std::uint8_t>, std::string> SignedContent(CMS_ContentInfo* cms, const char* expectedOid);
