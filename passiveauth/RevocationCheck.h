#pragma once
// Whether the document signer is revoked, from the CRLs of the trust store.
// The store keeps only CRLs whose signature verifies under a CSCA key of
// their issuer's name, so a CRL covers every certificate issued under that
// name, whichever of the CSCA's keys signed it (key rollover). A CRL problem
// never breaks the chain: at worst revocation is not checked, and says why.

#include <ctime>
#include <map>
#include <span>
#include <string>

#include <openssl/x509.h>

struct TRevocation {
  bool Revoked = false;
  std::string Text;  // "not revoked according to its CRL[, which expired on <date>]" or "revocation not checked: <why>"
};

// unusableCrls: issuer name (as NameText gives it) -> why its CRL was left out.
TRevocation CheckRevocation(X509* documentSigner, std::span<X509_CRL* const> crls,
                            const std::map<std::string, std::string>& unusableCrls, std::time_t at);
