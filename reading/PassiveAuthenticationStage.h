#pragma once
// The read command's last stages: Passive Authentication of what this
// reading read with its lines in the log, then the document's verdict from
// it and the chip checks, in the log and in the window.

#include "passiveauth/PassiveAuthResult.h"
#include "passiveauth/ReadingEvidence.h"
#include "reading/DocumentVerdict.h"
#include "trust/TrustStore.h"

// Logs one line per check (failures red, PASSED green, the rest navy).
TPaResult RunPassiveAuthenticationStage(const TReadingEvidence& evidence, const TTrustStore& store);

// Logs the Chip and Active Authentication lines and shows the verdict with
// every check line behind it.
TVerdictShown ShowDocumentVerdict(const TPaResult& passive, const TChipCheck& chipAuthentication,
                                  const TChipCheck& activeAuthentication);
