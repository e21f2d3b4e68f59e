#include "bench/read/SampleReading.h"

#include <string>

#include "support/MrzInputs.h"

namespace {

// Always the same bytes, enough for the largest key.
TSeededRandomSource SameBytesEveryFill() {
  TBytes bytes(512);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(0x5A + 13 * i);
  TSeededRandomSource random = TSeededRandomSource::EachFillFrom({bytes});
  random.Recording = false;
  return random;
}

}  // namespace

TSampleReading::TSampleReading(const char* documentFile)
    : document_(simchip::LoadDocumentFile(documentFile)), random_(SameBytesEveryFill()) {
  simchip::TChipOptions options;
  options.RandomSeed = 20240613;
  chip_ = std::make_unique<simchip::TSimulatedChip>(document_, options);
  reader_.InsertCard(*chip_);
  SetRandomSource(&random_);
  inputs_ = InputsFromMrzInformation(document_.MrzInformation);
}

TSampleReading::~TSampleReading() {
  SetRandomSource(nullptr);
  reader_.RemoveCard();
}
