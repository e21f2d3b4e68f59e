#pragma once
// One whole read command against the simulated chip of a sample document,
// the chip's answers after Basic Access Control coming from a script. The
// randomness of both sides is fixed, so a session replays exactly.

#include <filesystem>

#include "tools/hostilechip/ScriptedChipReader.h"
#include "tools/simchip/DocumentFile.h"

class TReadSession {
public:
  explicit TReadSession(const std::filesystem::path& documentFile);

  // Runs the read command with the picture wanted. An error that ends the
  // command other than the stream's or the picture's is a finding.
  void Run(const hostile::TAnswerScript& script);

  const simchip::TDocument& Document() const { return document_; }

private:
  simchip::TDocument document_;
};
