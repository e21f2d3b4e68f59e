#include "passiveauth/RevocationCheck.h"

#include "trust/CertificateText.h"

TRevocation CheckRevocation(X509* documentSigner, std::span<X509_CRL* const> crls,
                            const std::map<std::string, std::string>& unusableCrls, std::time_t at) {
  const X509_NAME* issuer = X509_get_issuer_name(documentSigner);
  X509_CRL* newest = nullptr;
  for (X509_CRL* crl : crls) {
    if (X509_NAME_cmp(X509_CRL_get_issuer(crl), issuer) != 0) continue;
    X509_REVOKED* entry = nullptr;
    if (X509_CRL_get0_by_cert(crl, &entry, documentSigner) == 1)
      return {true, "the document signer certificate is on its CSCA's CRL"};
    if (newest == nullptr || ASN1_TIME_compare(X509_CRL_get0_lastUpdate(crl), X509_CRL_get0_lastUpdate(newest)) > 0)
      newest = crl;
  }
  if (newest != nullptr) {
    const ASN1_TIME* nextUpdate = X509_CRL_get0_nextUpdate(newest);
    std::time_t when = at;
    const bool expired = nextUpdate != nullptr && X509_cmp_time(nextUpdate, &when) < 0;
    return {false, "not revoked according to its CRL" +
                       (expired ? ", which expired on " + DateText(nextUpdate) : std::string())};
  }
  const auto unusable = unusableCrls.find(NameText(issuer));
  return {false, "revocation not checked: " +
                     (unusable != unusableCrls.end() ? unusable->second : std::string("no CRL for this CSCA"))};
}
