#pragma once
// The read command's last stage: Passive Authentication of what this reading
// read, its lines in the log and its verdict in the window.

#include "trust/PassiveAuthResult.h"
#include "trust/ReadingEvidence.h"
#include "trust/TrustStore.h"

// Logs one line per check (failures red, PASSED green, the rest navy) and
// shows the verdict with the lines behind it.
TPaVerdict RunPassiveAuthenticationStage(const TReadingEvidence& evidence, const TTrustStore& store);
