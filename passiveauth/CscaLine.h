#pragma once
// The document signer's chain to a CSCA of the trust store told in one
// "CSCA: ..." text, the same for every file a document signer signs (EF.SOD,
// EF.CardSecurity).

#include <ctime>
#include <string>

#include "crypto/OpenSslPointers.h"
#include "passiveauth/ChainCheck.h"
#include "trust/TrustStore.h"

enum class TCscaFinding {
  Trusted,  // the chain reached a CSCA or link certificate of the store
  Missing,  // no CSCA of the store issued it: nothing contradicts, nothing vouches
  Failure,  // an invalid, expired or revoked chain
};

struct TCscaLine {
  std::string Text;  // "CSCA: trusted (<CSCA>; <revocation>)", "CSCA: not in the trust store (issuer ...)", ...
  TCscaFinding Finding = TCscaFinding::Failure;
  std::string Reason;  // for Missing and Failure, e.g. "CSCA not in the trust store"
  TX509Ptr Csca;       // the anchor reached, when trusted
};

TCscaLine DescribeCsca(X509* signer, const TTrustStore& store, std::time_t at, const TChainSettings& settings);
