// The reading's first steps: the card connected, the chip opened with PACE or
// BAC and EF.COM read and listed.

#include <chrono>
#include <string>

#include "bac/MrzInformation.h"
#include "document/DocumentDecoding.h"
#include "reader/ACSModule.h"
#include "reader/ApduExchange.h"
#include "reading/DocumentPresenter.h"
#include "reading/FileOutcome.h"
#include "reading/OpenDocument.h"
#include "reading/ReadSteps.h"

TStepEnd ConnectCard(TReading& reading) {
  const std::int32_t connected = ReaderLink().ConnectCard();
  if (connected != kScardSuccess) {
    reading.View.LogMessage(SCardErrorText(static_cast<std::uint32_t>(connected)), lkConnectionError);
    return TStepEnd::EndReading;
  }
  // The card answers: only what this reading reads and checks will stand on screen.
  reading.View.BeginDocument({}, {});
  return TStepEnd::Next;
}

TStepEnd OpenWithPaceOrBac(TReading& reading) {
  const TReadInputs& inputs = reading.Inputs;
  const std::string mrzInformation =
      BuildMrzInformation(inputs.DocumentNumber, inputs.DateOfBirth, inputs.DateOfExpiry);
  TEFComBuffer efCom{};
  TDocument& document = reading.Document;
  const TOpening opening =
      OpenDocument(mrzInformation, efCom, reading.Card, {inputs.AskCan, !inputs.DocumentNumber.empty()});
  document.Access = opening.Access;
  document.CardAccess = opening.CardAccess;
  // EF.COM's buffer gets its first byte only once the file came whole.
  document.Com = efCom[0] != 0 ? TFileRead{TFileState::Read, {efCom.begin(), efCom.end()}}
                               : TFileRead{WhyNotRead(reading.Card), {}};
  // The time of reading, for the certificates' validity: once the chip is open.
  document.ReadAt = std::chrono::system_clock::now();
  reading.ListFromSod = opening.ComAbsent;
  for (const TPaceInfo& info : opening.PaceInfos)
    document.CardAccessPaceInfos.push_back({info.Oid, info.Version, info.ParameterId});
  document.CardSecurity = opening.CardSecurity;
  reading.Cam = opening.Cam;
  return opening.NoCan ? TStepEnd::EndReading : TStepEnd::Next;
}

TStepEnd ListEfCom(TReading& reading) {
  if (reading.ListFromSod) return TStepEnd::Next;
  DecodeComInto(reading.Document);
  ShowEfCom(reading.Document.ComList, reading.View);
  return TStepEnd::Next;
}
