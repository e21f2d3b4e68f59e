#pragma once
// One whole read command against the simulated chip of a sample document,
// the chip's answers coming from a script: after Basic Access Control, or,
// with a chip that offers PACE (OpenPACE's chip side, AES), from the first
// command on, the PACE steps included, and under PACE's secure messaging.
// The randomness of both sides is fixed, so a session replays exactly.

#include <cstdint>
#include <filesystem>

#include "tools/hostilechip/ScriptedChipReader.h"
#include "tools/pacechip/OpenPaceChip.h"
#include "tools/simchip/DocumentFile.h"

enum class TSessionAccess : std::uint8_t { Bac, Pace };

class TReadSession {
public:
  explicit TReadSession(const std::filesystem::path& documentFile);

  // Runs the read command with the picture wanted. An error that ends the
  // command other than the stream's or the picture's is a finding.
  void Run(const hostile::TAnswerScript& script, TSessionAccess access = TSessionAccess::Bac);

  const simchip::TDocument& Document() const { return document_; }
  // The PACE chip side of the running session (null without PACE), for the script.
  const pacechip::TOpenPaceChip* Pace() const { return pace_; }

private:
  simchip::TDocument document_;
  const pacechip::TOpenPaceChip* pace_ = nullptr;
};
