#pragma once
// The read sequence: every step of one reading, in the order it runs.

#include <span>
#include <string_view>

#include "reading/ReadSteps.h"

struct TReadStep {
  std::string_view Name;
  TStepEnd (*Run)(TReading&);
};

// The steps, first to last.
std::span<const TReadStep> ReadSequence();

// Runs the steps in order until one ends the reading.
void RunReadSequence(TReading& reading);
