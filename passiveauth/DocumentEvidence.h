#pragma once
// What Passive Authentication checks of one reading, taken from its document:
// EF.SOD as it came, every data group read whole, DG1's issuing state and
// the time of reading.

#include "document/Document.h"
#include "passiveauth/ReadingEvidence.h"

TReadingEvidence EvidenceOf(const TDocument& document);
