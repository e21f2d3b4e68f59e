// The reading's last steps: EF.SOD, the data groups it lists that EF.COM
// left out, Passive Authentication of what this reading read, and the
// document's verdict.

#include <array>
#include <set>
#include <string>

#include "card/FileReading.h"
#include "passiveauth/DocumentEvidence.h"
#include "passiveauth/PassiveAuthentication.h"
#include "passiveauth/SodParser.h"
#include "reading/DocumentPresenter.h"
#include "reading/FileOutcome.h"
#include "reading/ReadSteps.h"

namespace {

struct TCatchUpRead {
  int Number;
  TStepEnd (*Run)(TReading&);
};

// The data groups whose absence from EF.COM could hide something: DG12's
// boxes, and the keys of Chip and Active Authentication.
constexpr std::array kCatchUpReads{
    TCatchUpRead{12, ReadDg12},
    TCatchUpRead{14, ReadDg14AndChipAuthentication},
    TCatchUpRead{15, ReadDg15AndActiveAuthentication},
};

}  // namespace

TStepEnd ReadSod(TReading& reading) {
  if (reading.Document.Sod.State != TFileState::NotAsked) return TStepEnd::Next;  // read first, for its list
  const TDataGroupRead read = ReadElementaryFile(kSecurityObjectFile, reading.Stream, reading.Card);
  reading.Document.Sod = FileReadOf(read, reading.Stream, reading.Card);
  return TStepEnd::Next;
}

TStepEnd ReadSodForItsList(TReading& reading) {
  if (!reading.ListFromSod) return TStepEnd::Next;
  ReadSod(reading);
  const TDocument& document = reading.Document;
  if (document.Sod.State == TFileState::Read) reading.OnlyInSod = DataGroupsListedIn(document.Sod.Bytes);
  return TStepEnd::Next;
}

TStepEnd ReadWhatOnlyEfSodLists(TReading& reading) {
  if (reading.ListFromSod) return TStepEnd::Next;  // EF.SOD's list was the reading's from the start
  const TDocument& document = reading.Document;
  if (document.Sod.State != TFileState::Read) return TStepEnd::Next;
  const std::set<int> signedList = DataGroupsListedIn(document.Sod.Bytes);
  for (const TCatchUpRead& row : kCatchUpReads) {
    if (!signedList.contains(row.Number) || ListsDataGroup(document.ComList, row.Number)) continue;
    reading.View.LogMessage("EF.COM does not list DG" + std::to_string(row.Number) + "; EF.SOD does", lkProtocol);
    reading.OnlyInSod.insert(row.Number);
    if (row.Run(reading) == TStepEnd::EndReading) return TStepEnd::EndReading;
  }
  return TStepEnd::Next;
}

TStepEnd CheckPassiveAuthentication(TReading& reading) {
  TDocument& document = reading.Document;
  document.PassiveAuthentication = VerifyPassiveAuthentication(EvidenceOf(document), reading.Kept.Trust);
  ShowPassiveAuthentication(*document.PassiveAuthentication, reading.View);
  ShowFieldTrust(document, reading.View);
  return TStepEnd::Next;
}

TStepEnd GiveVerdict(TReading& reading) {
  ShowDocumentVerdict(reading.Document, reading.View);
  return TStepEnd::Next;
}
