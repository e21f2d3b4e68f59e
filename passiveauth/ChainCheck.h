#pragma once
// The document signer's certificate against the CSCAs of the trust store:
// signatures up to a trusted CSCA or link certificate, validity at the time
// of reading, and the CRLs of its CSCA's name that the store holds.

#include <ctime>
#include <map>
#include <span>
#include <string>

#include "crypto/OpenSslPointers.h"

enum class TChainStatus { Trusted, UnknownCsca, Invalid, Expired, Revoked };

// What the check allows beyond OpenSSL's defaults. ICAO PKI certificates
// carry EC keys with explicit curve parameters, trust anchors may be link
// certificates that are not self-signed, and their key usages name no
// TLS purpose; tests turn these off to show why they are on.
struct TChainSettings {
  bool AcceptNamedExplicitCurves = true;  // explicit parameters equal to a named curve
  bool PartialChain = true;               // any certificate of the store is an anchor
  bool AnyPurpose = true;
};

struct TChainCheck {
  TChainStatus Status = TChainStatus::Invalid;
  int Error = 0;           // X509_V_ERR_..., 0 when trusted
  std::string Detail;      // for the log
  TX509Ptr Csca;           // the anchor reached, when trusted
  std::string Revocation;  // when trusted: what the CRLs say (RevocationCheck)
};

// unusableCrls: the store's CRLs left out, by issuer name, with why.
TChainCheck CheckDocumentSigner(X509* documentSigner, X509_STORE* anchors, std::span<X509_CRL* const> crls,
                                std::time_t at, const std::map<std::string, std::string>& unusableCrls = {},
                                const TChainSettings& settings = {});

// True when the certificate's key is not EC, or is EC on a named curve, given
// by name or by explicit parameters equal to that curve's.
bool KeyOnNamedCurve(X509* certificate);
