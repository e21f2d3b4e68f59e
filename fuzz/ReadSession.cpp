#include "fuzz/ReadSession.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "crypto/RandomSource.h"
#include "document/face/ShownFace.h"
#include "fuzz/FuzzSupport.h"
#include "jpeg2000/Jpeg2000Bitmap.h"
#include "output/PiccView.h"
#include "reader/ApduExchange.h"
#include "reading/ReadCommand.h"
#include "support/MrzInputs.h"
#include "support/NullView.h"
#include "support/ScopedSeam.h"
#include "support/SeededRandomSource.h"
#include "tools/pacechip/SeededRandomness.h"
#include "trust/TrustStore.h"

namespace {

constexpr std::uint64_t kChipSeed = 9303;
constexpr std::uint32_t kTerminalSeed = 0x11;
const pacechip::TPaceChipOptions kPaceOffer{{{"id-PACE-ECDH-GM-AES-CBC-CMAC-128", 13}}, /*RefuseBac=*/false};

// Puts the reader and the random source in place for one session (with a
// fresh reader link) and back afterwards.
class TSeams {
public:
  TSeams(TPcscApi& reader, TRandomSource& random)
      : reader_(reader, PcscApi, SetPcscApi), random_(random, RandomSource, SetRandomSource) {
    ResetReaderLink();
    ReaderLink().DiscoverReader();
  }
  ~TSeams() { ResetReaderLink(); }

private:
  TScopedSeam<TPcscApi> reader_;
  TScopedSeam<TRandomSource> random_;
};

}  // namespace

TReadSession::TReadSession(const std::filesystem::path& documentFile)
    : document_(simchip::LoadDocumentFile(documentFile)) {}

void TReadSession::Run(const hostile::TAnswerScript& script, TSessionAccess access) {
  tMRTD_CTX session{};
  simchip::TSimulatedChip chip(document_, {.RandomSeed = kChipSeed});
  hostile::TScriptedChipReader reader(session);
  std::unique_ptr<pacechip::TOpenPaceChip> pace;
  if (access == TSessionAccess::Pace) {
    // Both sides' PACE keys come from libcrypto: one fixed stream for the session.
    pacechip::UseSeededRandomness(kChipSeed);
    pace = std::make_unique<pacechip::TOpenPaceChip>(chip, kPaceOffer);
    reader.UsePace(pace.get());
  }
  pace_ = pace.get();
  reader.InsertCard(chip);
  reader.SetScript(script);
  TNullView view;
  TSeededRandomSource random(kTerminalSeed);  // the terminal's nonce and key material: the same bytes every session
  random.Recording = false;
  TSeams seams(reader, random);

  // The typed inputs are those of the document, so that BAC succeeds.
  const TReadInputs inputs = InputsFromMrzInformation(document_.MrzInformation);
  TJpeg2000Bitmap bitmap;
  bitmap.SetDecoderThreads(1);
  TShownFace shown;
  try {
    const TTrustStore trust;
    RunReadCommand(inputs, {session, bitmap, shown, trust});
  } catch (const std::exception& error) {
    if (!IsExpectedFailure(error)) Finding(error.what());
  }
  pace_ = nullptr;
}
