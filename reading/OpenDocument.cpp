#include "reading/OpenDocument.h"

#include <algorithm>

#include "bac/MutualAuthentication.h"
#include "card/FileReading.h"
#include "card/FileSteps.h"
#include "card/LengthLimitsLearning.h"
#include "card/messaging/PlainCommands.h"
#include "card/messaging/SecureMessagingStart.h"
#include "output/MessageFormat.h"
#include "output/PiccView.h"
#include "pace/CardAccessReading.h"
#include "pace/PaceAuthentication.h"
#include "reading/FileOutcome.h"

namespace {

constexpr std::uint8_t kEfCom = 0;
// EF.CardSecurity shares its identifier with EF.SOD, but lies in the master file.
constexpr TElementaryFile kCardSecurityFile{0x011D, 0, "CardSecurity"};
// The second read of EF.COM takes the rest in one READ BINARY of at most 256 bytes.
constexpr std::uint16_t kEfComMinimum = kHeaderLength;
constexpr std::uint16_t kEfComMaximum = kHeaderLength + 256;
constexpr std::string_view kSelectAppletConnectionError = "MrtdSelectApplet connection error.";
constexpr std::string_view kPlainEfComBadStatus = "MrtdSelectDG : Bad status word %x";
constexpr std::string_view kBadEfComLength = "MrtdReadFile : Bad file length %d";

// After PACE the application is selected under secure messaging.
constexpr TStepTexts kApplicationSecureSelect{
    .ConnectionError = "MrtdSelectApplet connection error.",
    .WrongMac = "MrtdBacSelectApplet : Wrong MAC in card's answer",
    .FileNotFound = "MrtdBacSelectApplet : Application not found",
    .BadStatus = "MrtdBacSelectApplet : Bad status word %04X",
};
// Under secure messaging a chip without EF.COM says so with 6A82: its data
// groups are then taken from EF.SOD, which is signed.
constexpr TStepTexts kEfComSecureSelect{
    .ConnectionError = "MrtdBacSelectDG connection error.",
    .WrongMac = "MrtdBacSelectDG : Wrong MAC in card's answer",
    .FileNotFound = "EF.COM: absent; data groups from EF.SOD",
    .BadStatus = "MrtdBacSelectDG : Bad status word %04X",
};
constexpr TStepTexts kEfComHeaderRead{
    .ConnectionError = "MrtdReadFileSize connection error.",
    .WrongMac = "MrtdBacReadFile : Wrong MAC in card's answer",
    .FileNotFound = {},
    .BadStatus = "MrtdSelectDG : Bad status word %x",
};
constexpr TStepTexts kEfComBodyRead{
    .ConnectionError = "MrtdReadFile connection error.",
    .WrongMac = "MrtdBacReadFile : Wrong MAC in card's answer",
    .FileNotFound = {},
    .BadStatus = "MrtdBacReadFile : Bad status word %x",
};

// BAC, its outcome noted for the reading's report; access records that BAC ran.
void RunBac(const std::string& mrzInformation, TCardSession& session, TAccessControl& access) {
  access = TAccessControl::Bac;
  const std::string failure = PerformBac(mrzInformation, session);
  PiccView().NoteBacOutcome(failure.empty(), failure);
}

// SELECT of EF.COM under secure messaging; an EF.COM the chip does not have
// is noted in the opening. False when the step ended (logged).
bool SelectEfComSecurely(TCardSession& session, bool& comAbsent, TWrapping wrapping = TWrapping::InForce) {
  if (SelectFileStep(session, BuildSelectFile(kEfCom), kEfComSecureSelect, kEfCom, false, wrapping)) return true;
  comAbsent = session.LastAnswer().Taken() && session.LastAnswer().Status() == kSwFileNotFound;
  return false;
}

// Plain SELECT of EF.COM; runs BAC and the protected SELECT when the chip
// refuses it with 0x6982. A chip without access control that has no EF.COM
// (6A82) is noted like one under secure messaging: its data groups come from
// EF.SOD. False when the step ended (logged).
bool SelectEfCom(const std::string& mrzInformation, TCardSession& session, TOpening& opening) {
  const TCardAnswer selected = session.TransmitPlain(BuildSelectFile(kEfCom));
  if (!selected.Taken()) {
    LogMessage(std::string(kSelectAppletConnectionError));
    return false;
  }
  const std::uint16_t status = selected.Status();
  if (status == kSwSuccess) return true;
  if (status == kSwFileNotFound) {
    LogMessage(std::string(kEfComSecureSelect.FileNotFound));
    opening.ComAbsent = true;
    return false;
  }
  if (status != kSwSecurityNotSatisfied) {
    LogStep(kPlainEfComBadStatus, kEfCom, status);
    return false;
  }
  // BAC's outcome is not tested: after a failure the protected SELECT still
  // goes out with the keys the record holds, and the chip's refusal is
  // reported through its status word.
  RunBac(mrzInformation, session, opening.Access);
  return SelectEfComSecurely(session, opening.ComAbsent, TWrapping::EvenWithoutKeys);
}

// Whether a refusal may still be answered with BAC: not once PACE is established.
enum class TBacAllowed { Yes, No };

// Reads EF.COM whole into efCom once it is selected; with BAC allowed, a
// first read refused with 0x6982 runs BAC and is repeated.
void ReadEfCom(const std::string& mrzInformation, TEFComBuffer& efCom, TCardSession& session, TBacAllowed bac,
               TAccessControl& access) {
  TWorkBuffer work{};
  std::optional<TCardAnswer> headerRead =
      ReadBinaryStep(session, 0, kHeaderLength, TClearBuffers::Yes, kEfComHeaderRead, kEfCom, work);
  if (headerRead && headerRead->Status() == kSwSecurityNotSatisfied && bac == TBacAllowed::Yes) {
    RunBac(mrzInformation, session, access);
    headerRead = ReadBinaryStep(session, 0, kHeaderLength, TClearBuffers::Yes, kEfComHeaderRead, kEfCom, work);
  }
  if (!ReadHeaderStep(headerRead, kEfComHeaderRead, kEfCom)) return;
  std::array<std::uint8_t, kHeaderLength> header{};
  std::copy_n(work.begin(), header.size(), header.begin());

  // A length outside 4..260 cannot be read in one more READ BINARY: nothing is sent.
  const std::uint16_t fileLength = DecodeFileLength(work);
  if (fileLength < kEfComMinimum || fileLength > kEfComMaximum) {
    LogMessage(FormatMessage(kBadEfComLength, {fileLength}));
    return;
  }

  const std::optional<TCardAnswer> body =
      ReadBinaryStep(session, kHeaderLength, static_cast<std::uint16_t>(fileLength - kHeaderLength), TClearBuffers::Yes,
                     kEfComBodyRead, kEfCom, std::span<std::uint8_t>(efCom).subspan(kHeaderLength));
  if (!body || !AcceptStatusStep(body->Status(), kEfComBodyRead, kEfCom)) return;
  if (!TakeDataStep(*body, kEfComBodyRead, kEfCom)) return;
  std::ranges::copy(header, efCom.begin());
}

// After PACE-CAM: EF.CardSecurity, whose key the chip proved, read whole in
// the master file before the application is selected.
void ReadCardSecurity(TCardSession& session, TOpening& opening) {
  TMemoryStream stream;
  const TDataGroupRead read = ReadElementaryFile(kCardSecurityFile, stream, session);
  opening.CardSecurity = FileReadOf(read, stream, session);
}

// After PACE: the application and EF.COM selected under secure messaging, then EF.COM read.
void OpenUnderPace(const std::string& mrzInformation, TEFComBuffer& efCom, TCardSession& session, TOpening& opening) {
  if (opening.Cam) ReadCardSecurity(session, opening);
  if (!SelectFileStep(session, BuildSelectApplication(), kApplicationSecureSelect, kEfCom)) return;
  if (!SelectEfComSecurely(session, opening.ComAbsent)) return;
  ReadEfCom(mrzInformation, efCom, session, TBacAllowed::No, opening.Access);
}

// PACE with the CAN, asked of the operator until PACE runs with one that the
// chip does not refuse, or the operator gives none.
TPaceResult PaceWithCan(const TCanSource& can, std::span<const TPaceInfo> infos, TCardSession& session,
                        TOpening& opening, bool& canAsked) {
  canAsked = true;
  for (;;) {
    std::optional<TSecretBuffer> typed = can.Ask();
    if (!typed) {
      LogMessage("PACE: not tried (no CAN given)");
      opening.NoCan = true;
      return {TPaceOutcome::Failed};
    }
    TPaceResult pace;
    {
      const TPacePassword password = CanPassword(typed->Bytes());
      typed->Wipe();
      pace = PerformPace(password, infos, session);
    }
    if (pace.Outcome == TPaceOutcome::PasswordNotTaken) {
      LogMessage("PACE: failed (MSE:Set AT answered " + FormatMessage("%04X", {}, kSwReferenceNotFound) + ")");
      return {TPaceOutcome::Failed};
    }
    if (!(pace.Outcome == TPaceOutcome::Failed && pace.WrongPassword)) return pace;
  }
}

// PACE with the MRZ, or the CAN when the operator typed no document number or
// the chip does not take the MRZ.
TPaceResult RunPace(const std::string& mrzInformation, const TCanSource& can, std::span<const TPaceInfo> infos,
                    TCardSession& session, TOpening& opening, bool& canAsked) {
  if (!can.MrzGiven && can.Ask) return PaceWithCan(can, infos, session, opening, canAsked);
  TPaceResult pace = PerformPace(MrzPassword(mrzInformation), infos, session);
  if (pace.Outcome != TPaceOutcome::PasswordNotTaken) return pace;
  const std::string refused = "MSE:Set AT answered " + FormatMessage("%04X", {}, kSwReferenceNotFound);
  if (!can.Ask) {
    LogMessage("PACE: failed (" + refused + ")");
    return {TPaceOutcome::Failed};
  }
  LogMessage("PACE: MRZ not accepted (" + refused + ")");
  return PaceWithCan(can, infos, session, opening, canAsked);
}

}  // namespace

TOpening OpenDocument(const std::string& mrzInformation, TEFComBuffer& efCom, TCardSession& session,
                      const TCanSource& can) {
  tMRTD_CTX& ctx = session.TripleDesRecord();
  ctx.BacEnabled = false;
  ctx.CounterFromZero = false;
  UseNoSecureMessaging(session);
  LearnLengthLimits(session);
  TOpening opening;
  // EF.CardAccess first, in plain: a chip that lists PACE gets PACE, and BAC
  // only when it turns PACE down as unsupported.
  const std::optional<std::vector<TPaceInfo>> paceInfos = ReadCardAccess(session);
  if (!paceInfos) {
    LogMessage(std::string(kSelectAppletConnectionError));
    opening.CardAccess = TFileState::LinkLost;
    return opening;
  }
  opening.CardAccess = paceInfos->empty() ? TFileState::Absent : TFileState::Read;
  opening.Access = TAccessControl::None;
  opening.PaceInfos = *paceInfos;
  if (!paceInfos->empty()) {
    LogMessage(DescribeCardAccess(*paceInfos));
    bool canAsked = false;
    TPaceResult pace = RunPace(mrzInformation, can, *paceInfos, session, opening, canAsked);
    if (pace.Outcome == TPaceOutcome::Established) {
      opening.Access = TAccessControl::Pace;
      opening.Cam = std::move(pace.Cam);
      OpenUnderPace(mrzInformation, efCom, session, opening);
      return opening;
    }
    // No BAC after a CAN: PACE that did not run with it is a failure too.
    if (pace.Outcome != TPaceOutcome::NotRun || canAsked) {
      // BAC's secure messaging without keys, so that nothing the chip sends
      // in plain is taken as the document's.
      UseTripleDesRecord(session);
      opening.Access = TAccessControl::PaceFailed;
      return opening;
    }
  }

  if (!session.TransmitPlain(BuildSelectApplication()).Taken()) {
    LogMessage(std::string(kSelectAppletConnectionError));
    return opening;
  }
  if (!SelectEfCom(mrzInformation, session, opening)) return opening;
  ReadEfCom(mrzInformation, efCom, session, TBacAllowed::Yes, opening.Access);
  return opening;
}
