#pragma once
// The sample passport on the simulated chip, the inputs that open it, and one
// reading of it recorded for playback. The terminal's random bytes are fixed,
// so that every reading sends the same commands as the recorded one.

#include <memory>
#include <vector>

#include "bench/read/RecordedExchanges.h"
#include "crypto/RandomSource.h"
#include "reading/ReadCommand.h"
#include "support/ScriptedCard.h"
#include "support/SeededRandomSource.h"
#include "tools/simchip/DocumentFile.h"
#include "tools/simchip/SimulatedChip.h"
#include "tools/simchip/SimulatedReader.h"

class TSampleReading {
public:
  // Loads the document, puts it on a simulated reader and fixes the random source.
  explicit TSampleReading(const char* documentFile);
  ~TSampleReading();
  TSampleReading(const TSampleReading&) = delete;
  TSampleReading& operator=(const TSampleReading&) = delete;

  // The inputs printed on the document (number, birth and expiry from its MRZ information).
  const TReadInputs& Inputs() const { return inputs_; }
  simchip::TSimulatedReader& SimulatedReader() { return reader_; }
  simchip::TSimulatedChip& Chip() { return *chip_; }

  // Reads once through the simulated reader with `read` (which runs a whole
  // reading on the current PC/SC API) and returns what was exchanged.
  template <typename TRead>
  std::vector<TAnswer> Record(TRead&& read) {
    TScriptedCard recorder = RecorderOf(reader_);
    SetPcscApi(&recorder);
    read();
    SetPcscApi(nullptr);
    return recorder.Exchanges;
  }

private:
  simchip::TDocument document_;
  std::unique_ptr<simchip::TSimulatedChip> chip_;
  simchip::TSimulatedReader reader_;
  TSeededRandomSource random_;
  TReadInputs inputs_;
};
