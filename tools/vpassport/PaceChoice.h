#pragma once
// Which chip side serves the virtual passport's PACE: OpenPACE's
// (tools/pacechip) for Generic Mapping alone, the chip's own
// (tools/mappingchip) when an offer needs Integrated or Chip Authentication
// Mapping or the document has an EF.CardSecurity to serve.

#include <memory>

#include "tools/simchip/DocumentFile.h"
#include "tools/simchip/SimulatedChip.h"
#include "tools/vpassport/VpassportOptions.h"

namespace vpassport {

// The options' PACE completed by the document's own pace and can lines (offers when the options give none,
// the CAN when they give none; a CAN means PACE only). Throws std::runtime_error for a document offer that is
// malformed or of a protocol neither chip side knows.
pacechip::TPaceChipOptions PaceWithDocument(const TVpassportOptions& options, const simchip::TDocument& document);

// Whether the chip's own PACE serves these offers and this document.
bool NeedsOwnPace(const pacechip::TPaceChipOptions& pace, const simchip::TDocument& document);

// The PACE side put in front of chip (null when nothing offers PACE); it must not outlive chip.
std::unique_ptr<simchip::TChipExtension> InstallPace(simchip::TSimulatedChip& chip, const TVpassportOptions& options,
                                                     const simchip::TDocument& document);

}  // namespace vpassport
