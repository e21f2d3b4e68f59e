#pragma once
// The signed attributes of a CMS SignedData's only SignerInfo, as they were
// received. OpenSSL verifies the signature over its own DER re-encoding of
// the attributes; a signer that encoded them otherwise (BER: another order of
// the SET, long length forms), as some issuing states did, signed other
// bytes. These are the bytes it signed: the [0] IMPLICIT tag turned into the
// SET OF tag (RFC 5652, 5.4).

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include <openssl/cms.h>

// Nothing when the bytes cannot be walked (an indefinite length, not one
// SignerInfo, no signed attributes).
std::optional<std::vector<std::uint8_t>> ReceivedSignedAttributes(std::span<const std::uint8_t> contentInfo);

// The SignerInfo's signature over `attributes` under the signer's key and
// the SignerInfo's digest (RSA PKCS #1 v1.5 or PSS, ECDSA).
bool SignatureVerifiesOver(CMS_SignerInfo* signer, X509* certificate, std::span<const std::uint8_t> attributes);
