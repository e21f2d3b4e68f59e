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

namespace {

// A view that shows nothing and wants the picture.
class TQuietView final : public TPiccView {
public:
  void LogMessage(const std::string&, int) override {}
  void AppendPlainLine(const std::string&) override {}
  void SetResultText(TResultEdit, const std::string&) override {}
  void SetProgressMax(int) override {}
  int ProgressPosition() const override { return 0; }
  void SetProgressPosition(int) override {}
  TCalendarDate DateOfBirth() const override { return {1969, 8, 6}; }
  bool PictureWanted() const override { return true; }
  void ShowPicture(const QImage&) override {}
};

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

// YYMMDD at the position of the MRZ information; only the last two digits
// of the year enter it again.
TCalendarDate DateAt(const std::string& mrzInformation, std::size_t at) {
  const auto number = [&](std::size_t from) { return std::stoi(mrzInformation.substr(at + from, 2)); };
  return {2000 + number(0), number(2), number(4)};
}

// What the operator types for the document: number, date of birth, date of expiry.
TReadInputs InputsOf(const std::string& mrzInformation) {
  TReadInputs inputs;
  inputs.DocumentNumber = mrzInformation.substr(0, 9);
  inputs.DateOfBirth = DateAt(mrzInformation, 10);
  inputs.DateOfExpiry = DateAt(mrzInformation, 17);
  return inputs;
}

// Puts the program's seams in place for one session and back afterwards.
class TSeams {
public:
  TSeams(TPcscApi& reader, TPiccView& view, TRandomSource& random) {
    ResetReaderLink();
    SetPcscApi(&reader);
    SetPiccView(&view);
    SetRandomSource(&random);
    ReaderLink().DiscoverReader();
  }
  ~TSeams() {
    SetRandomSource(nullptr);
    SetPiccView(nullptr);
    SetPcscApi(nullptr);
    ResetReaderLink();
  }
  TSeams(const TSeams&) = delete;
  TSeams& operator=(const TSeams&) = delete;
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
  TQuietView view;
  TFixedRandom random;
  TSeams seams(reader, view, random);

  // The typed inputs are those of the document, so that BAC succeeds.
  const TReadInputs inputs = InputsOf(document_.MrzInformation);
  TJpeg2000Bitmap bitmap;
  bitmap.SetDecoderThreads(1);
  TShownFace shown;
  try {
    RunReadCommand(inputs, {session, bitmap, shown});
  } catch (const std::exception& error) {
    if (!IsExpectedFailure(error)) Finding(error.what());
  }
}
