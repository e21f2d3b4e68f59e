#pragma once
// The outcome of a check the chip itself takes part in: Chip Authentication
// (its DG14 key) or Active Authentication (its DG15 key).

#include <string>

enum class TChipCheckOutcome {
  NotSupported,  // the chip does not offer it
  Passed,
  Failed,
  NotPossible,  // offered, but cannot be run here (e.g. an answer longer than the reader takes)
};

struct TChipCheck {
  TChipCheckOutcome Outcome = TChipCheckOutcome::NotSupported;
  std::string Reason;  // for Failed and NotPossible
};
