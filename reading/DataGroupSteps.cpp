// The data groups that hold the holder's and the document's details: each
// read into the document, decoded once and shown.

#include <cstdint>

#include "card/FileReading.h"
#include "document/DocumentDecoding.h"
#include "reading/DocumentPresenter.h"
#include "reading/FileOutcome.h"
#include "reading/ReadSteps.h"

namespace {

constexpr std::uint8_t kDataGroup1 = 1;
constexpr std::uint8_t kDataGroup2 = 2;
constexpr std::uint8_t kDataGroup11 = 11;
constexpr std::uint8_t kDataGroup12 = 12;

// Reads data group number into the reading's stream and records how it went.
void ReadIntoDocument(TReading& reading, std::uint8_t number) {
  const TDataGroupRead read = ReadDataGroup(number, reading.Stream, reading.Card);
  reading.Document.DataGroups[number] = FileReadOf(read, reading.Stream, reading.Card);
}

}  // namespace

TStepEnd ReadDg1(TReading& reading) {
  ReadIntoDocument(reading, kDataGroup1);
  DecodeDg1Into(reading.Document, reading.Stream);
  ShowDg1(reading.Document, reading.Inputs.DateOfExpiry, reading.View);
  return TStepEnd::Next;
}

TStepEnd ReadDg11(TReading& reading) {
  ReadIntoDocument(reading, kDataGroup11);
  DecodeDg11Into(reading.Document, reading.Stream);
  ShowDg11(reading.Document, reading.Inputs.DateOfBirth, reading.View);
  return TStepEnd::Next;
}

TStepEnd ReadDg12(TReading& reading) {
  if (!reading.Lists(kDataGroup12)) return TStepEnd::Next;
  ReadIntoDocument(reading, kDataGroup12);
  DecodeDg12Into(reading.Document, reading.Stream);
  ShowDg12(reading.Document, reading.View);
  return TStepEnd::Next;
}

TStepEnd ReadDg2(TReading& reading) {
  if (!reading.Inputs.PictureWanted) return TStepEnd::Next;
  ReadIntoDocument(reading, kDataGroup2);
  DecodeFaceInto(reading.Document, reading.Stream, reading.Kept.Picture);
  ShowFace(reading.Document, reading.Kept.Picture, reading.Kept.ShownFace, reading.View);
  return TStepEnd::Next;
}
