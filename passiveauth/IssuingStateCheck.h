#pragma once
// DG1's issuing state against the country (C) of the document signer and of
// the CSCA its chain reached.

#include <string>

#include <openssl/x509.h>

#include "passiveauth/VerdictReport.h"

// Either certificate may be null (not available); a state without a
// two-letter form is logged as not checked and changes no verdict.
void CheckIssuingState(const std::string& issuingState, X509* documentSigner, X509* csca, TVerdictReport& report);
