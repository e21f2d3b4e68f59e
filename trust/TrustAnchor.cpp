#include "trust/TrustAnchor.h"

#include <openssl/x509v3.h>

#include "trust/CertificateText.h"

std::optional<std::string> WhyNotTrustAnchor(X509* certificate) {
  const std::uint32_t flags = X509_get_extension_flags(certificate);
  const bool basicConstraints = (flags & EXFLAG_BCONS) != 0;
  const bool keyUsage = (flags & EXFLAG_KUSAGE) != 0;
  const bool keyCertSign = keyUsage && (X509_get_key_usage(certificate) & KU_KEY_CERT_SIGN) != 0;
  if (basicConstraints && (flags & EXFLAG_CA) == 0) return "not a CA certificate (CA:FALSE in its basic constraints)";
  if (keyUsage && !keyCertSign) return "its key usage does not allow signing certificates (no keyCertSign)";
  // Published CSCAs that leave one of the two extensions out (a key usage
  // with keyCertSign but no basic constraints, or CA:TRUE without a key
  // usage) still say that they sign certificates; a certificate with neither
  // says nothing of the kind.
  if (!basicConstraints && !keyCertSign) return "not a CA certificate (neither CA:TRUE nor keyCertSign)";
  return std::nullopt;
}

bool CrlSignedByCsca(X509_CRL* crl, std::span<X509* const> cscas) {
  for (X509* csca : cscas) {
    if (X509_NAME_cmp(X509_get_subject_name(csca), X509_CRL_get_issuer(crl)) != 0) continue;
    EVP_PKEY* key = X509_get0_pubkey(csca);
    if (key != nullptr && X509_CRL_verify(crl, key) == 1) return true;
  }
  return false;
}

X509* CertifyingCsca(X509* certificate, std::span<X509* const> cscas) {
  const std::string country = NameCountry(X509_get_subject_name(certificate));
  for (X509* csca : cscas) {
    if (NameCountry(X509_get_subject_name(csca)) != country) continue;
    if (X509_check_issued(csca, certificate) != X509_V_OK) continue;
    EVP_PKEY* key = X509_get0_pubkey(csca);
    if (key != nullptr && X509_verify(certificate, key) == 1) return csca;
  }
  return nullptr;
}
