// Reading whole data groups and other elementary files (ReadDataGroup,
// ReadElementaryFile).

#include "card/FileReading.h"

#include <algorithm>

#include "card/FileSteps.h"
#include "card/PlainCommands.h"
#include "output/PiccView.h"

namespace {

constexpr std::uint16_t kPieceLength = 100;

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

  const std::uint16_t size = DecodeFileLength(work);
  LogMessage("filesize:" + std::to_string(size));
  PiccView().SetProgressMax(size);

  std::uint32_t offset = 0;
  // A stop after the first piece leaves only the first part of the file in the stream.
  const auto stopped = [&offset] { return offset > 0 ? TDataGroupRead::CutOff : TDataGroupRead::NotRead; };
  while (offset < size) {
    const auto piece = static_cast<std::uint16_t>(std::min<std::uint32_t>(size - offset, kPieceLength));
    const auto answer = ReadBinaryStep(session, static_cast<std::uint16_t>(offset), piece, TClearBuffers::No,
                                       kDataGroupPieceRead, number, work);
    if (!answer || !AcceptStatusStep(answer->Status(), kDataGroupPieceRead, number)) return stopped();
    const std::optional<std::size_t> length = TakeDataStep(*answer, kDataGroupPieceRead, number);
    if (!length) return stopped();
    PiccView().SetProgressPosition(PiccView().ProgressPosition() + piece);
    offset += piece;
    stream.Write(std::span<const std::uint8_t>(work).first(*length));
  }
  stream.Rewind();
  return size > 0 ? TDataGroupRead::Whole : TDataGroupRead::NotRead;
}
