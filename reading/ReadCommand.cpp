#include "reading/ReadCommand.h"

#include <set>
#include <string>

#include <openssl/crypto.h>

#include "bac/MrzInformation.h"
#include "card/FileReading.h"
#include "card/MemoryStream.h"
#include "document/DG1.h"
#include "output/PiccView.h"
#include "passiveauth/SodParser.h"
#include "reader/ACSModule.h"
#include "reader/ApduExchange.h"
#include "reading/ChipCheckStages.h"
#include "reading/OpenDocument.h"
#include "reading/PassiveAuthenticationStage.h"
#include "reading/Stages.h"

namespace {

// What the reading read, kept for Passive Authentication.
class TEvidenceKeeper {
public:
  explicit TEvidenceKeeper(TReadingEvidence& evidence) : evidence_(evidence) {}

  void Keep(int number, TDataGroupRead read, const TMemoryStream& stream) {
    if (read == TDataGroupRead::Whole) evidence_.DataGroups[number] = FileAtStart(stream);
  }
  void KeepIssuingState(const TMemoryStream& stream) {
    TMemoryStream dg1;
    dg1.Write(FileAtStart(stream));
    dg1.Rewind();
    std::string mrz;
    ExtractMrz(dg1, mrz);
    evidence_.IssuingState = CutMrz(mrz).IssuingState.Str();
  }
  void KeepSecurityObject(TDataGroupRead read, const TMemoryStream& stream, const TCardSession& session) {
    static constexpr std::array kPresence{TSodPresence::Read, TSodPresence::Absent, TSodPresence::CutOff};
    evidence_.SodPresence = kPresence[static_cast<std::size_t>(read)];
    // Not read at all: absent only when the chip itself said it has no such file.
    if (read == TDataGroupRead::NotRead && !ChipSaidFileNotFound(session))
      evidence_.SodPresence = TSodPresence::Unreadable;
    if (read == TDataGroupRead::Whole) evidence_.Sod = FileAtStart(stream);
    if (read == TDataGroupRead::CutOff)
      evidence_.Sod.assign(stream.Bytes().begin(), stream.Bytes().begin() + stream.Position());
  }

private:
  TReadingEvidence& evidence_;
};

}  // namespace

void RunReadCommand(const TReadInputs& inputs, const TReadState& state) {
  const std::int32_t connected = ReaderLink().ConnectCard();
  if (connected != kScardSuccess) {
    LogMessage(SCardErrorText(static_cast<std::uint32_t>(connected)), lkConnectionError);
    return;
  }
  // The card answers: only what this reading reads and checks will stand on screen.
  PiccView().BeginDocument({}, {});

  const std::string mrzInformation =
      BuildMrzInformation(inputs.DocumentNumber, inputs.DateOfBirth, inputs.DateOfExpiry);

  TEFComBuffer efCom{};
  TCardSession session(state.Session);
  OpenDocument(mrzInformation, efCom, session);
  const tEFComFile listed = RunEFComStage(efCom);

  // One stream carries each data group in turn; it goes with the command,
  // also when a stage raises.
  TMemoryStream stream;
  TReadingEvidence evidence;
  TEvidenceKeeper keeper(evidence);

  // Chip Authentication first: the data groups then come under the keys the
  // chip has proved. A chip that cannot prove its key is read no further.
  // DG14 and DG15 have a stream of their own, so that no stage ever finds
  // their bytes in place of a data group it failed to read.
  TMemoryStream keyStream;
  TChipAuthenticationStage chipAuthentication =
      RunChipAuthenticationStage(ListsDataGroup(listed, 14), keyStream, session);
  keeper.Keep(14, chipAuthentication.Dg14Read, keyStream);
  if (chipAuthentication.Check.Outcome == TChipCheckOutcome::Failed) return;

  keeper.Keep(1, RunDG1Stage(stream, session, inputs.DateOfExpiry), stream);
  keeper.KeepIssuingState(stream);
  keeper.Keep(11, RunDG11Stage(stream, session, inputs.DateOfBirth), stream);
  if (ListsDataGroup(listed, 12)) keeper.Keep(12, RunDG12Stage(stream, session), stream);
  keeper.Keep(2, RunPictureStage(stream, session, inputs.PictureWanted, state.Picture, state.ShownFace), stream);

  TActiveAuthenticationStage activeAuthentication =
      RunActiveAuthenticationStage(ListsDataGroup(listed, 15), keyStream, session, chipAuthentication.Dg14);
  keeper.Keep(15, activeAuthentication.Dg15Read, keyStream);

  keeper.KeepSecurityObject(ReadElementaryFile(kSecurityObjectFile, stream, session), stream, session);

  // EF.COM is not signed: what EF.SOD lists and EF.COM left out is read too,
  // so that a copy cannot skip the chip checks by leaving DG14 and DG15 out
  // of EF.COM.
  const std::set<int> signedList = DataGroupsListedIn(evidence.Sod);
  const auto leftOut = [&](int number) {
    if (!signedList.contains(number) || ListsDataGroup(listed, number)) return false;
    LogMessage("EF.COM does not list DG" + std::to_string(number) + "; EF.SOD does");
    return true;
  };
  if (leftOut(12)) keeper.Keep(12, RunDG12Stage(stream, session), stream);
  if (leftOut(14)) {
    chipAuthentication = RunChipAuthenticationStage(true, keyStream, session);
    keeper.Keep(14, chipAuthentication.Dg14Read, keyStream);
    if (chipAuthentication.Check.Outcome == TChipCheckOutcome::Failed) return;
  }
  if (leftOut(15)) {
    activeAuthentication = RunActiveAuthenticationStage(true, keyStream, session, chipAuthentication.Dg14);
    keeper.Keep(15, activeAuthentication.Dg15Read, keyStream);
  }

  const TPaResult passive = RunPassiveAuthenticationStage(evidence, state.Trust);
  ShowDocumentVerdict(
      passive, AbsentKeyFile(chipAuthentication.Check, chipAuthentication.Dg14Absent, passive.Listed.contains(14), 14),
      AbsentKeyFile(activeAuthentication.Check, activeAuthentication.Dg15Absent, passive.Listed.contains(15), 15));
}

void WipeSession(tMRTD_CTX& ctx) {
  OPENSSL_cleanse(&ctx, sizeof ctx);
  ctx = tMRTD_CTX{};
}
