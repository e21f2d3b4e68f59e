#include "bench/read/SampleReading.h"

#include <string>

namespace {

TCalendarDate MrzDate(const std::string& mrzInformation, std::size_t at) {
  const int year = std::stoi(mrzInformation.substr(at, 2));
  const int month = std::stoi(mrzInformation.substr(at + 2, 2));
  const int day = std::stoi(mrzInformation.substr(at + 4, 2));
  return {1900 + year, month, day};  // the century does not enter the MRZ information
}

}  // namespace

void TFixedRandom::Fill(std::span<std::uint8_t> bytes) {
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(0x5A + 13 * i);
}

TSampleReading::TSampleReading(const char* documentFile)
    : document_(simchip::LoadDocumentFile(documentFile)) {
  simchip::TChipOptions options;
  options.RandomSeed = 20240613;
  chip_ = std::make_unique<simchip::TSimulatedChip>(document_, options);
  reader_.InsertCard(*chip_);
  SetRandomSource(&random_);
  // MRZ information: number (9), check digit, birth YYMMDD, check digit, expiry YYMMDD, check digit.
  const std::string& mrz = document_.MrzInformation;
  inputs_.DocumentNumber = mrz.substr(0, 9);
  inputs_.DateOfBirth = MrzDate(mrz, 10);
  inputs_.DateOfExpiry = MrzDate(mrz, 17);
}

TSampleReading::~TSampleReading() {
  SetRandomSource(nullptr);
  reader_.RemoveCard();
}
