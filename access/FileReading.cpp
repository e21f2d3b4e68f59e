// Opening the document and reading whole data groups (OpenDocument,
// ReadDataGroup).

#include "access/FileReading.h"

#include <algorithm>

#include "access/BacChannel.h"
#include "access/CardAccessReading.h"
#include "access/CardExchange.h"
#include "access/FileSteps.h"
#include "access/MessageFormat.h"
#include "access/MutualAuthentication.h"
#include "access/PaceAuthentication.h"
#include "access/PiccView.h"
#include "access/PlainChannel.h"
#include "access/PlainCommands.h"
#include "access/SecureCommands.h"

namespace {

constexpr std::uint8_t kEfCom = 0;
constexpr std::uint16_t kHeaderLength = 4;  // the first bytes read of a file: enough for its length
constexpr std::uint16_t kPieceLength = 100;
// The second read of EF.COM takes the rest in one READ BINARY of at most 256 bytes.
constexpr std::uint16_t kEfComMinimum = kHeaderLength;
constexpr std::uint16_t kEfComMaximum = kHeaderLength + 256;

constexpr std::string_view kSelectAppletConnectionError = "MrtdSelectApplet connection error.";
constexpr std::string_view kPlainEfComBadStatus = "MrtdSelectDG : Bad status word %x";
constexpr std::string_view kLengthNot4 = "recv_len <>4 :  %d";
constexpr std::string_view kBadEfComLength = "MrtdReadFile : Bad file length %d";
constexpr std::string_view kQueryingSize = "Querying file size DG(%d)";

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
constexpr TStepTexts kDataGroupSecureSelect{
    .ConnectionError = "MrtdBacSelectDG connection error.",
    .WrongMac = "MrtdBacSelectDG(%d) : Wrong MAC in card's answer",
    .FileNotFound = "MrtdBacSelectDG(%d) : File not found",
    .BadStatus = "MrtdBacSelectDG(%d) : Bad status word %04X",
};
// Chips read without BAC: the data group is selected with a plain SELECT.
constexpr TStepTexts kDataGroupPlainSelect{
    .ConnectionError = "MrtdSelectDG connection error.",
    .WrongMac = {},
    .FileNotFound = "MrtdSelectDG(%d) : File not found",
    .BadStatus = "MrtdSelectDG(%d) : Bad status word %04X",
};
// How a data group is selected before it is read, by what the channel asks for.
struct TDataGroupSelectRule {
  TDataGroupSelect Select;
  const TStepTexts* Texts;
  bool SecurityRefusalGoesOn;  // a plain SELECT refused with 0x6982: the size read reports the refusal
};
constexpr std::array kDataGroupSelectRules{
    TDataGroupSelectRule{TDataGroupSelect::None, nullptr, false},
    TDataGroupSelectRule{TDataGroupSelect::Plain, &kDataGroupPlainSelect, true},
    TDataGroupSelectRule{TDataGroupSelect::Protected, &kDataGroupSecureSelect, false},
};

const TDataGroupSelectRule& RuleFor(TDataGroupSelect select) {
  return *std::find_if(kDataGroupSelectRules.begin(), kDataGroupSelectRules.end(),
                       [select](const TDataGroupSelectRule& rule) { return rule.Select == select; });
}

constexpr TStepTexts kDataGroupHeaderRead{
    .ConnectionError = "MrtdReadFileSize connection error.",
    .WrongMac = "MrtdBacReadFile : Wrong MAC in card's answer",
    .FileNotFound = "MrtdReadFileSizeDG(%d) : File not found",
    .BadStatus = "MrtdReadFileSizetDG(%d) : Bad status word %04X",
};
constexpr TStepTexts kDataGroupPieceRead{
    .ConnectionError = "MrtdReadFileEx connection error.",
    .WrongMac = "MrtdReadFileEx : Wrong MAC in card's answer",
    .FileNotFound = {},
    .BadStatus = "MrtdReadFileEx : Bad status word %x",
};

using TWorkBuffer = std::array<std::uint8_t, 256>;

// The step texts of a file that has a name: "DG(%d)" becomes the name.
class TNamedTexts {
public:
  TNamedTexts(const TStepTexts& texts, std::string_view name)
      : connectionError_(Named(texts.ConnectionError, name)),
        wrongMac_(Named(texts.WrongMac, name)),
        fileNotFound_(Named(texts.FileNotFound, name)),
        badStatus_(Named(texts.BadStatus, name)) {}
  TNamedTexts(const TNamedTexts&) = delete;
  TNamedTexts& operator=(const TNamedTexts&) = delete;

  TStepTexts Texts() const { return {connectionError_, wrongMac_, fileNotFound_, badStatus_}; }

  static std::string Named(std::string_view pattern, std::string_view name) {
    std::string text(pattern);
    constexpr std::string_view kNumbered = "DG(%d)";
    if (const std::size_t at = text.find(kNumbered); !name.empty() && at != std::string::npos)
      text.replace(at, kNumbered.size(), name);
    return text;
  }

private:
  std::string connectionError_, wrongMac_, fileNotFound_, badStatus_;
};

// Reads the first 4 bytes of the selected file into work; false when the step ended (logged).
bool ReadHeader(TSecureChannel& channel, std::optional<std::uint16_t> status, const TStepTexts& texts,
                std::uint8_t number, TWorkBuffer& work) {
  if (!status || !AcceptStatusStep(*status, texts, number)) return false;
  const std::optional<std::size_t> length = TakeDataStep(channel, work, texts, number);
  if (!length) return false;
  if (*length != kHeaderLength) {
    LogMessage(FormatMessage(kLengthNot4, {static_cast<long long>(*length)}));
    return false;
  }
  return true;
}

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
  if (!ReadHeader(*channel, status, kEfComHeaderRead, kEfCom, work)) return;
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

TDataGroupRead ReadDataGroup(std::uint8_t number, TMemoryStream& stream, TSecureChannel& channel) {
  return ReadElementaryFile({static_cast<std::uint16_t>(0x0100 | FileIdentifierLow(number)), number, {}}, stream,
                            channel);
}

TDataGroupRead ReadElementaryFile(const TElementaryFile& file, TMemoryStream& stream, TSecureChannel& channel) {
  stream.Rewind();
  const std::uint8_t number = file.Number;
  const TDataGroupSelectRule& select = RuleFor(channel.DataGroupSelect());
  if (select.Texts) {
    const TNamedTexts selectTexts(*select.Texts, file.Name);
    if (!SelectFileStep(channel, channel.Protect(BuildSelectFileId(file.Id)), selectTexts.Texts(), number,
                        select.SecurityRefusalGoesOn))
      return TDataGroupRead::NotRead;
  }

  LogStep(TNamedTexts::Named(kQueryingSize, file.Name), number);
  TWorkBuffer work{};
  const TNamedTexts headerTexts(kDataGroupHeaderRead, file.Name);
  const auto status = ReadBinaryStep(channel, 0, kHeaderLength, TClearBuffers::Yes, headerTexts.Texts(), number);
  if (!ReadHeader(channel, status, headerTexts.Texts(), number, work)) return TDataGroupRead::NotRead;

  const std::uint16_t size = DecodeFileLength(work);
  LogMessage("filesize:" + std::to_string(size));
  PiccView().SetProgressMax(size);

  std::uint32_t offset = 0;
  // A stop after the first piece leaves only the first part of the file in the stream.
  const auto stopped = [&offset] { return offset > 0 ? TDataGroupRead::CutOff : TDataGroupRead::NotRead; };
  while (offset < size) {
    const auto piece = static_cast<std::uint16_t>(std::min<std::uint32_t>(size - offset, kPieceLength));
    const auto pieceStatus = ReadBinaryStep(channel, static_cast<std::uint16_t>(offset), piece, TClearBuffers::No,
                                            kDataGroupPieceRead, number);
    if (!pieceStatus || !AcceptStatusStep(*pieceStatus, kDataGroupPieceRead, number)) return stopped();
    const std::optional<std::size_t> length = TakeDataStep(channel, work, kDataGroupPieceRead, number);
    if (!length) return stopped();
    PiccView().SetProgressPosition(PiccView().ProgressPosition() + piece);
    offset += piece;
    stream.Write(std::span<const std::uint8_t>(work).first(*length));
  }
  stream.Rewind();
  return size > 0 ? TDataGroupRead::Whole : TDataGroupRead::NotRead;
}
