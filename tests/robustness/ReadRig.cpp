#include "ReadRig.h"

#include <gtest/gtest.h>

#include "reader/ApduExchange.h"

TReadInputs InputsFor(const std::string& mrzInformation) {
  const auto date = [&](std::size_t at) {
    const auto number = [&](std::size_t from) { return std::stoi(mrzInformation.substr(at + from, 2)); };
    return TCalendarDate{1900 + number(0), number(2), number(4)};  // only the last two year digits count
  };
  TReadInputs inputs;
  inputs.DocumentNumber = mrzInformation.substr(0, 9);
  inputs.DateOfBirth = date(10);
  inputs.DateOfExpiry = date(17);
  return inputs;
}

TReadRig::TReadRig(simchip::TDocument document, std::uint32_t seed)
    : document_(std::move(document)),
      chip_(document_, simchip::TChipOptions{.RandomSeed = seed}),
      reader_(session_,
              [this] {
                linesBefore_.push_back(view_.Lines.size());
                sessionsBefore_.push_back(session_);
              }),
      random_(seed),
      inputs_(InputsFor(document_.MrzInformation)) {
  ResetReaderLink();
  SetPcscApi(&reader_);
  SetRandomSource(&random_);
  reader_.InsertCard(chip_);
  bitmap_.SetDecoderThreads(1);
  ReaderLink().DiscoverReader();
}

TReadRig::TReadRig(simchip::TDocument document, pacechip::TPaceChipOptions pace, std::uint32_t seed)
    : TReadRig(std::move(document), seed) {
  pace_ = std::make_unique<pacechip::TOpenPaceChip>(chip_, std::move(pace));
  reader_.UsePace(pace_.get());
}

std::vector<TStep> TReadRig::Steps() const { return StepsOf(pace_ ? reader_.PaceJournal() : chip_.Journal()); }

TReadRig::~TReadRig() {
  SetRandomSource(nullptr);
  SetPcscApi(nullptr);
  ResetReaderLink();
}

std::optional<std::string> TReadRig::Read() {
  chip_.ClearJournal();
  reader_.ClearPaceJournal();
  linesBefore_.clear();
  sessionsBefore_.clear();
  try {
    RunReadCommand(inputs_, {session_, bitmap_, shownFace_, trust_});
  } catch (const std::exception& error) {
    return std::string(error.what());
  }
  return std::nullopt;
}

void TReadRig::Calm() {
  chip_.ClearFaults();
  reader_.SetScript(nullptr);
  if (!reader_.CardPresent()) reader_.InsertCard(chip_);
}

TCleanReading ReadClean(TReadRig& rig) {
  rig.View().Lines.clear();
  EXPECT_EQ(rig.Read(), std::nullopt);
  return {rig.View().Lines, rig.View().Fields, rig.View().Picture, rig.Steps(), rig.LinesBeforeCommand()};
}
