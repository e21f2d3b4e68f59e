#pragma once
// Passive Authentication of one reading: EF.SOD's signature, its document
// signer against the trust store's CSCAs, the hash of every data group read,
// and DG1's issuing state against the certificates' country; one log line
// per check and the verdict last.

#include "document/PassiveAuthResult.h"
#include "passiveauth/ChainCheck.h"
#include "passiveauth/ReadingEvidence.h"
#include "trust/TrustStore.h"

TPaResult VerifyPassiveAuthentication(const TReadingEvidence& evidence, const TTrustStore& store,
                                      const TChainSettings& settings = {});
