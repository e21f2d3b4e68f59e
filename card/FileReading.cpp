// Reading whole data groups and other elementary files (ReadDataGroup,
// ReadElementaryFile).

#include "card/FileReading.h"

#include <algorithm>

#include "card/FileSteps.h"
#include "card/messaging/PlainCommands.h"
#include "output/PiccView.h"

namespace {

constexpr std::uint16_t kPieceLength = 100;
// The largest file whose length is learnt as it comes: READ BINARY's offset
// has 15 bits.
constexpr std::size_t kMostMeasured = 0x7FFF;

constexpr std::string_view kQueryingSize = "Querying file size DG(%d)";

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
// How a data group is selected before it is read, by what the secure messaging in force asks for.
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

// The header of a file whose length its first bytes do not give: a one-byte
// tag with the indefinite form (77 80 ...) or three length bytes (77 83 ...),
// both seen on EF.SOD in the field.
bool LengthBeyondHeader(std::span<const std::uint8_t> header) {
  constexpr std::array<std::uint8_t, 2> kForms{0x80, 0x83};
  return (header[0] & 0x1F) != 0x1F && std::ranges::find(kForms, header[1]) != kForms.end() &&
         MeasureBerObject(header).State == TObjectLength::NeedMore;
}

}  // namespace

TDataGroupRead ReadDataGroup(std::uint8_t number, TMemoryStream& stream, TCardSession& session) {
  return ReadElementaryFile({static_cast<std::uint16_t>(0x0100 | FileIdentifierLow(number)), number, {}}, stream,
                            session);
}

TDataGroupRead ReadElementaryFile(const TElementaryFile& file, TMemoryStream& stream, TCardSession& session) {
  stream.Rewind();
  const std::uint8_t number = file.Number;
  const TDataGroupSelectRule& select = RuleFor(session.Messaging().DataGroupSelect());
  if (select.Texts) {
    const TNamedTexts selectTexts(*select.Texts, file.Name);
    if (!SelectFileStep(session, BuildSelectFileId(file.Id), selectTexts.Texts(), number, select.SecurityRefusalGoesOn))
      return TDataGroupRead::NotRead;
  }

  LogStep(TNamedTexts::Named(kQueryingSize, file.Name), number);
  TWorkBuffer work{};
  const TNamedTexts headerTexts(kDataGroupHeaderRead, file.Name);
  const auto header = ReadBinaryStep(session, 0, kHeaderLength, TClearBuffers::Yes, headerTexts.Texts(), number, work);
  if (!ReadHeaderStep(header, headerTexts.Texts(), number)) return TDataGroupRead::NotRead;

  // A length the first bytes do not give (the indefinite form, or three
  // length bytes) is learnt from the file as it comes.
  const bool measuring = LengthBeyondHeader(std::span<const std::uint8_t>(work).first(kHeaderLength));
  std::uint16_t size = measuring ? 0 : DecodeFileLength(work);
  const auto sizeKnown = [&size] {
    LogMessage("filesize:" + std::to_string(size));
    PiccView().SetProgressMax(size);
  };
  if (!measuring) sizeKnown();

  std::uint32_t offset = 0;
  // A stop after the first piece leaves only the first part of the file in the stream.
  const auto stopped = [&offset] { return offset > 0 ? TDataGroupRead::CutOff : TDataGroupRead::NotRead; };
  while (offset < size || (measuring && size == 0)) {
    const std::uint32_t left = size > 0 ? size - offset : kPieceLength;
    const auto piece = static_cast<std::uint16_t>(std::min<std::uint32_t>(left, kPieceLength));
    const auto answer = ReadBinaryStep(session, static_cast<std::uint16_t>(offset), piece, TClearBuffers::No,
                                       kDataGroupPieceRead, number, work);
    if (!answer || !AcceptStatusStep(answer->Status(), kDataGroupPieceRead, number)) return stopped();
    const std::optional<std::size_t> length = TakeDataStep(*answer, kDataGroupPieceRead, number);
    if (!length) return stopped();
    PiccView().SetProgressPosition(PiccView().ProgressPosition() + piece);
    offset += piece;
    stream.Write(std::span<const std::uint8_t>(work).first(*length));
    if (measuring && size == 0) {
      const std::span<const std::uint8_t> came = stream.Bytes();
      const TObjectLength measured = MeasureBerObject(came.first(std::min<std::size_t>(offset, came.size())));
      if (measured.State == TObjectLength::Malformed || measured.Total > kMostMeasured) return stopped();
      if (measured.State == TObjectLength::Known) {
        size = static_cast<std::uint16_t>(measured.Total);
        sizeKnown();
      }
    }
  }
  stream.Rewind();
  return size > 0 ? TDataGroupRead::Whole : TDataGroupRead::NotRead;
}
