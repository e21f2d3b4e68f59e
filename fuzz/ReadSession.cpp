#include "fuzz/ReadSession.h"

#include <cstdint>
#include <span>
#include <string>

#include "access/PiccView.h"
#include "access/RandomSource.h"
#include "app/ReadCommand.h"
#include "fuzz/FuzzSupport.h"
#include "jpeg2000/Jpeg2000Bitmap.h"
#include "lds/ShownFace.h"
#include "reader/ApduExchange.h"
#include "support/MrzInputs.h"
#include "support/NullView.h"
#include "support/ScopedSeam.h"
#include "trust/TrustStore.h"

namespace {

// The terminal's nonce and key material: the same bytes every session.
class TFixedRandom final : public TRandomSource {
public:
  void Fill(std::span<std::uint8_t> bytes) override {
    for (std::uint8_t& byte : bytes) byte = next_++;
  }

private:
  std::uint8_t next_ = 0x11;
};

constexpr std::uint64_t kChipSeed = 9303;

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

void TReadSession::Run(const hostile::TAnswerScript& script) {
  tMRTD_CTX session{};
  simchip::TSimulatedChip chip(document_, {.RandomSeed = kChipSeed});
  hostile::TScriptedChipReader reader(session);
  reader.InsertCard(chip);
  reader.SetScript(script);
  TNullView view;
  TFixedRandom random;
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
}
