#include "reading/FileOutcome.h"

#include "reader/StatusWord.h"

TFileState WhyNotRead(const TCardSession& card) {
  const TCardAnswer& last = card.LastAnswer();
  if (last.Error == TCardError::LinkLost) return TFileState::LinkLost;
  return last.Status() == kSwFileNotFound ? TFileState::Absent : TFileState::Refused;
}

TFileRead FileReadOf(TDataGroupRead read, const TMemoryStream& stream, const TCardSession& card) {
  switch (read) {
    case TDataGroupRead::Whole:
      return {TFileState::Read, FileAtStart(stream)};
    case TDataGroupRead::CutOff:
      return {TFileState::CutOff, {stream.Bytes().begin(), stream.Bytes().begin() + stream.Position()}};
    case TDataGroupRead::NotRead:
      break;
  }
  return {WhyNotRead(card), {}};
}
