#pragma once
// Which certificates may be trust anchors, and which CRLs the store may use.
// A CSCA or link certificate is an anchor only when it says that it signs
// certificates: never with CA:FALSE, never with a key usage that leaves out
// keyCertSign, and with at least one of CA:TRUE and keyCertSign (RFC 5280
// 4.2.1.3 and 4.2.1.9); so a document signer or any other end-entity
// certificate put in the store never becomes an anchor. A CRL is used only
// when its signature verifies under the key of a CSCA of its issuer's name
// (any key of that name: after a key change the CSCA signs its CRL with the
// new key, while documents signed under the old one stay valid for years).

#include <optional>
#include <span>
#include <string>

#include <openssl/x509.h>

// Nothing when the certificate may be an anchor; otherwise why not.
std::optional<std::string> WhyNotTrustAnchor(X509* certificate);

// True when the CRL's signature verifies under a key of one of the CSCAs
// whose subject is the CRL's issuer.
bool CrlSignedByCsca(X509_CRL* crl, std::span<X509* const> cscas);

// The CSCA among cscas of the certificate's own country whose key signed it,
// or null.
X509* CertifyingCsca(X509* certificate, std::span<X509* const> cscas);
