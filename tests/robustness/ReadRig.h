#pragma once
// Whole read commands without a window: the simulated chip of a document in
// a reader that can turn hostile after BAC, the recording fake view, and the
// picture memory the window would keep. The program's random bytes come from
// a seeded source, so every reading replays exactly.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ReadSteps.h"
#include "crypto/RandomSource.h"
#include "document/face/ShownFace.h"
#include "jpeg2000/Jpeg2000Bitmap.h"
#include "reading/ReadCommand.h"
#include "support/FakePiccView.h"
#include "support/SeededRandomSource.h"
#include "tools/hostilechip/ScriptedChipReader.h"
#include "tools/pacechip/OpenPaceChip.h"
#include "tools/simchip/DocumentFile.h"
#include "tools/simchip/SimulatedChip.h"
#include "trust/TrustStore.h"

// A reader that notes, before each command goes to the chip, what the program
// has logged so far and the session it holds.
class TWatchedReader final : public hostile::TScriptedChipReader {
public:
  using TWatcher = std::function<void()>;
  TWatchedReader(const tMRTD_CTX& session, TWatcher watcher)
      : TScriptedChipReader(session), watcher_(std::move(watcher)) {}
  std::int32_t Transmit(TScardHandle card, std::uint32_t protocol, std::span<const std::uint8_t> command,
                        std::span<std::uint8_t> response, std::uint32_t& responseLength) override {
    watcher_();
    return TScriptedChipReader::Transmit(card, protocol, command, response, responseLength);
  }

private:
  TWatcher watcher_;
};

class TReadRig {
public:
  explicit TReadRig(simchip::TDocument document, std::uint32_t seed = 9303);
  // The same chip with OpenPACE's chip side in front of it, offering PACE (and BAC unless pace refuses it);
  // the reader forges answers during and after PACE.
  TReadRig(simchip::TDocument document, pacechip::TPaceChipOptions pace, std::uint32_t seed = 9303);
  ~TReadRig();
  TReadRig(const TReadRig&) = delete;
  TReadRig& operator=(const TReadRig&) = delete;

  // One read command with the document's own inputs; the text of the error
  // that ended it, if one did. Clears the chip's journal and the watch first.
  std::optional<std::string> Read();

  // Takes faults and script away and puts the card back into the reader.
  void Calm();

  simchip::TSimulatedChip& Chip() { return chip_; }
  TWatchedReader& Reader() { return reader_; }
  TFakePiccView& View() { return view_; }
  const tMRTD_CTX& Session() const { return session_; }
  const simchip::TDocument& Document() const { return document_; }
  // The steps of the last read's commands, as the chip read them.
  std::vector<TStep> Steps() const;
  TReadInputs& Inputs() { return inputs_; }

  // For each command of the last read: the log lines written before it went
  // out, and a copy of the session then.
  const std::vector<std::size_t>& LinesBeforeCommand() const { return linesBefore_; }
  const std::vector<tMRTD_CTX>& SessionBeforeCommand() const { return sessionsBefore_; }

private:
  simchip::TDocument document_;
  tMRTD_CTX session_{};
  TFakePiccView view_;
  simchip::TSimulatedChip chip_;
  TWatchedReader reader_;
  TSeededRandomSource random_;
  TReadInputs inputs_;
  TJpeg2000Bitmap bitmap_;
  TShownFace shownFace_;
  TTrustStore trust_;  // empty: no CSCA is trusted
  std::unique_ptr<pacechip::TOpenPaceChip> pace_;
  std::vector<std::size_t> linesBefore_;
  std::vector<tMRTD_CTX> sessionsBefore_;
};

// What the operator types for the document of the MRZ information.
TReadInputs InputsFor(const std::string& mrzInformation);

// A whole reading with the chip calm: what the hostile readings are compared with.
struct TCleanReading {
  std::vector<TLoggedLine> Lines;
  std::map<TResultEdit, std::string> Fields;
  QImage Picture;
  std::vector<TStep> Steps;
  std::vector<std::size_t> LinesBeforeCommand;
};

// Reads the document once (the reading must end without an error).
TCleanReading ReadClean(TReadRig& rig);
