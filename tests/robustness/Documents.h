#pragma once
// The documents the robustness tests read.

#include "tools/simchip/DocumentFile.h"

// A sample document of tools/samples by file name.
simchip::TDocument SampleDocument(const char* fileName);

// The specimen passport with a DG11 of two pieces and a small JPEG 2000 face,
// so that a whole reading takes a few dozen commands.
simchip::TDocument CompactPassport();
