#include "reading/OpenDocument.h"

#include <algorithm>

#include "bac/MutualAuthentication.h"
#include "card/BacChannel.h"
#include "card/CardExchange.h"
#include "card/FileReading.h"
#include "card/FileSteps.h"
#include "card/PlainChannel.h"
#include "card/PlainCommands.h"
#include "card/SecureCommands.h"
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

// The reading's channel so far: plain until the chip asks for BAC, then BAC's.
class TOpeningChannel {
public:
  explicit TOpeningChannel(tMRTD_CTX& session) : session_(session) {}

  // Runs BAC and from then on reads through its channel, whether it succeeded or not.
  void PerformBac(const std::string& mrzInformation) {
    ::PerformBac(mrzInformation, session_);
    channel_ = std::make_unique<TBacChannel>(session_);
  }
  // Reads through the secure messaging PACE started.
  void UsePace(std::unique_ptr<TSecureChannel> channel) {
    channel_ = std::move(channel);
    paceEstablished_ = true;
  }
  // After a failed PACE: BAC's channel without keys, so that nothing the chip
  // sends in plain is taken as the document's.
  void PaceFailed() { channel_ = std::make_unique<TBacChannel>(session_); }
  // Whether a refusal may still be answered with BAC.
  bool BacAllowed() const { return !paceEstablished_; }
  TSecureChannel& operator*() const { return *channel_; }
  std::unique_ptr<TSecureChannel> Release() { return std::move(channel_); }
  tMRTD_CTX& Session() const { return session_; }

private:
  tMRTD_CTX& session_;
  std::unique_ptr<TSecureChannel> channel_ = std::make_unique<TPlainChannel>();
  bool paceEstablished_ = false;
};

// Plain SELECT of EF.COM; runs BAC and the protected SELECT when the chip
// refuses it with 0x6982. False when the step ended (logged).
bool SelectEfCom(const std::string& mrzInformation, TOpeningChannel& channel) {
  if (ExchangeApdu(BuildSelectFile(kEfCom)) != 0) {
    LogMessage(std::string(kSelectAppletConnectionError));
    return false;
  }
  const std::uint16_t status = GetStatusWord(ResponseBytes());
  if (status == kSwSuccess) return true;
  if (status != kSwSecurityNotSatisfied) {
    LogStep(kPlainEfComBadStatus, kEfCom, status);
    return false;
  }
  // BAC's outcome is not tested: after a failure the protected SELECT still
  // goes out with the keys the session holds, and the chip's refusal is
  // reported through its status word.
  channel.PerformBac(mrzInformation);
  return SelectFileStep(*channel, BuildSecureSelectFile(channel.Session(), kEfCom), kEfComSecureSelect, kEfCom);
}

// Reads EF.COM whole into efCom once it is selected; with BAC allowed, a
// first read refused with 0x6982 runs BAC and is repeated.
void ReadEfCom(const std::string& mrzInformation, TEFComBuffer& efCom, TOpeningChannel& channel) {
  std::optional<std::uint16_t> status =
      ReadBinaryStep(*channel, 0, kHeaderLength, TClearBuffers::Yes, kEfComHeaderRead, kEfCom);
  if (status == kSwSecurityNotSatisfied && channel.BacAllowed()) {
    channel.PerformBac(mrzInformation);
    status = ReadBinaryStep(*channel, 0, kHeaderLength, TClearBuffers::Yes, kEfComHeaderRead, kEfCom);
  }
  TWorkBuffer work{};
  if (!ReadHeaderStep(*channel, status, kEfComHeaderRead, kEfCom, work)) return;
  std::array<std::uint8_t, kHeaderLength> header{};
  std::copy_n(work.begin(), header.size(), header.begin());

  // A length outside 4..260 cannot be read in one more READ BINARY: nothing is sent.
  const std::uint16_t fileLength = DecodeFileLength(work);
  if (fileLength < kEfComMinimum || fileLength > kEfComMaximum) {
    LogMessage(FormatMessage(kBadEfComLength, {fileLength}));
    return;
  }

  status = ReadBinaryStep(*channel, kHeaderLength, static_cast<std::uint16_t>(fileLength - kHeaderLength),
                          TClearBuffers::Yes, kEfComBodyRead, kEfCom);
  if (!status || !AcceptStatusStep(*status, kEfComBodyRead, kEfCom)) return;
  if (!TakeDataStep(*channel, std::span<std::uint8_t>(efCom).subspan(kHeaderLength), kEfComBodyRead, kEfCom)) return;
  std::ranges::copy(header, efCom.begin());
}

// After PACE: the application and EF.COM selected under secure messaging, then EF.COM read.
void OpenUnderPace(const std::string& mrzInformation, TEFComBuffer& efCom, TOpeningChannel& channel) {
  if (!SelectFileStep(*channel, (*channel).Protect(BuildSelectApplication()), kApplicationSecureSelect, kEfCom)) return;
  if (!SelectFileStep(*channel, (*channel).Protect(BuildSelectFile(kEfCom)), kEfComSecureSelect, kEfCom)) return;
  ReadEfCom(mrzInformation, efCom, channel);
}

}  // namespace

std::unique_ptr<TSecureChannel> OpenDocument(const std::string& mrzInformation, TEFComBuffer& efCom, tMRTD_CTX& ctx) {
  ctx.BacEnabled = false;
  ctx.CounterFromZero = false;
  TOpeningChannel channel(ctx);
  // EF.CardAccess first, in plain: a chip that lists PACE gets PACE, and BAC
  // only when it turns PACE down as unsupported.
  const std::optional<std::vector<TPaceInfo>> paceInfos = ReadCardAccess();
  if (!paceInfos) {
    LogMessage(std::string(kSelectAppletConnectionError));
    return channel.Release();
  }
  if (!paceInfos->empty()) {
    LogMessage(DescribeCardAccess(*paceInfos));
    TPaceResult pace = PerformPace(MrzPassword(mrzInformation), *paceInfos, ctx);
    if (pace.Outcome == TPaceOutcome::Established) {
      channel.UsePace(std::move(pace.Channel));
      OpenUnderPace(mrzInformation, efCom, channel);
      return channel.Release();
    }
    if (pace.Outcome == TPaceOutcome::Failed) {
      channel.PaceFailed();
      return channel.Release();
    }
  }

  if (ExchangeApdu(BuildSelectApplication()) != 0) {
    LogMessage(std::string(kSelectAppletConnectionError));
    return channel.Release();
  }
  if (!SelectEfCom(mrzInformation, channel)) return channel.Release();
  ReadEfCom(mrzInformation, efCom, channel);
  return channel.Release();
}
