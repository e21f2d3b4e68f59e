#include "reading/OpenDocument.h"

#include <algorithm>

#include "bac/MutualAuthentication.h"
#include "card/FileReading.h"
#include "card/FileSteps.h"
#include "card/messaging/PlainCommands.h"
#include "card/messaging/SecureMessagingStart.h"
#include "output/MessageFormat.h"
#include "output/PiccView.h"
#include "pace/CardAccessReading.h"
#include "pace/PaceAuthentication.h"

namespace {

constexpr std::uint8_t kEfCom = 0;
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
constexpr TStepTexts kEfComSecureSelect{
    .ConnectionError = "MrtdBacSelectDG connection error.",
    .WrongMac = "MrtdBacSelectDG : Wrong MAC in card's answer",
    .FileNotFound = "MrtdBacSelectDG : File not found",
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

// BAC, its outcome noted for the reading's report.
void RunBac(const std::string& mrzInformation, TCardSession& session) {
  const std::string failure = PerformBac(mrzInformation, session);
  PiccView().NoteBacOutcome(failure.empty(), failure);
}

// Plain SELECT of EF.COM; runs BAC and the protected SELECT when the chip
// refuses it with 0x6982. False when the step ended (logged).
bool SelectEfCom(const std::string& mrzInformation, TCardSession& session, TAccessControl& access) {
  const TCardAnswer selected = session.TransmitPlain(BuildSelectFile(kEfCom));
  if (!selected.Taken()) {
    LogMessage(std::string(kSelectAppletConnectionError));
    return false;
  }
  const std::uint16_t status = selected.Status();
  if (status == kSwSuccess) return true;
  if (status != kSwSecurityNotSatisfied) {
    LogStep(kPlainEfComBadStatus, kEfCom, status);
    return false;
  }
  // BAC's outcome is not tested: after a failure the protected SELECT still
  // goes out with the keys the record holds, and the chip's refusal is
  // reported through its status word.
  RunBac(mrzInformation, session);
  access = TAccessControl::Bac;
  return SelectFileStep(session, BuildSelectFile(kEfCom), kEfComSecureSelect, kEfCom, false,
                        TWrapping::EvenWithoutKeys);
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
    RunBac(mrzInformation, session);
    access = TAccessControl::Bac;
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

// After PACE: the application and EF.COM selected under secure messaging, then EF.COM read.
void OpenUnderPace(const std::string& mrzInformation, TEFComBuffer& efCom, TCardSession& session,
                   TAccessControl& access) {
  if (!SelectFileStep(session, BuildSelectApplication(), kApplicationSecureSelect, kEfCom)) return;
  if (!SelectFileStep(session, BuildSelectFile(kEfCom), kEfComSecureSelect, kEfCom)) return;
  ReadEfCom(mrzInformation, efCom, session, TBacAllowed::No, access);
}

}  // namespace

TOpening OpenDocument(const std::string& mrzInformation, TEFComBuffer& efCom, TCardSession& session) {
  tMRTD_CTX& ctx = session.TripleDesRecord();
  ctx.BacEnabled = false;
  ctx.CounterFromZero = false;
  UseNoSecureMessaging(session);
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
  if (!paceInfos->empty()) {
    LogMessage(DescribeCardAccess(*paceInfos));
    const TPaceResult pace = PerformPace(MrzPassword(mrzInformation), *paceInfos, session);
    if (pace.Outcome == TPaceOutcome::Established) {
      opening.Access = TAccessControl::Pace;
      OpenUnderPace(mrzInformation, efCom, session, opening.Access);
      return opening;
    }
    if (pace.Outcome == TPaceOutcome::Failed) {
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
  if (!SelectEfCom(mrzInformation, session, opening.Access)) return opening;
  ReadEfCom(mrzInformation, efCom, session, TBacAllowed::Yes, opening.Access);
  return opening;
}
