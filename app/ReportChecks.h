#pragma once
// A check line taken apart for the report's data: "<check>: <result>", the
// result's outcome, and the reason in brackets at its end.
//
//   "Chip authentication: FAILED (DG14 does not match EF.SOD)"
//   -> check "Chip authentication", outcome "failed", reason "DG14 does not match EF.SOD"

#include <QString>

#include <span>

#include "app/ReadingReport.h"

struct TCheckFacts {
  QString Check;    // before the first ": " (the whole line when there is none)
  QString Result;   // after it
  QString Outcome;  // passed, failed, warning, incomplete, missing, not supported, not possible, not checked, info
  QString Reason;   // the text in the brackets that end the result; empty when none
};

TCheckFacts CheckFacts(const TReportCheck& check);

// The protocols of a reading and the check line that tells each one's outcome.
struct TProtocolCheck {
  const char* Key;                      // the protocol's name in the JSON file
  std::span<const QString> CheckNames;  // the check names that tell it; the last line of any of them counts
  bool OneOfSeveral;                    // the entry names which of them ran (access control: PACE or BAC)
};
std::span<const TProtocolCheck> ProtocolChecks();
