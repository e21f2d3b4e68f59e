#include "ReadSteps.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <regex>
#include <string_view>

#include "card/FileReading.h"
#include "pace/PaceCommands.h"
#include "tools/simchip/Lds.h"

namespace {

constexpr std::uint16_t kFileNotFound = 0x6A82;
constexpr std::uint16_t kCardAccessFile = 0x011C;
constexpr std::uint8_t kSetKeyAgreementTemplate = 0xA6;  // MSE:Set KAT's P2

// The texts of a step. Status words: "%X" upper-case hex, "%4X" the same
// right-aligned in four places; "%d" the data group.
struct TStepTexts {
  TStepKind Kind;
  const char* ConnectionError;
  const char* WrongMac;      // null: the step checks no MAC
  const char* FileNotFound;  // null: 0x6A82 is a bad status word like any other
  const char* BadStatus;     // null: the status word is not looked at
};

constexpr std::array kTexts{
    TStepTexts{TStepKind::SelectCardAccess, "MrtdSelectApplet connection error.", nullptr, nullptr, nullptr},
    TStepTexts{TStepKind::SelectApplication, "MrtdSelectApplet connection error.", nullptr, nullptr, nullptr},
    TStepTexts{TStepKind::CardAccessRead, "MrtdSelectApplet connection error.", nullptr, nullptr, nullptr},
    TStepTexts{TStepKind::PaceSetAt, "PACE: failed (connection error at MSE:Set AT)", nullptr, nullptr, nullptr},
    TStepTexts{TStepKind::PaceNonce, "PACE: failed (connection error at the encrypted nonce)", nullptr, nullptr,
               nullptr},
    TStepTexts{TStepKind::PaceMapping, "PACE: failed (connection error at the mapping)", nullptr, nullptr, nullptr},
    TStepTexts{TStepKind::PaceKeyAgreement, "PACE: failed (connection error at the key agreement)", nullptr, nullptr,
               nullptr},
    TStepTexts{TStepKind::PaceTokens, "PACE: failed (connection error at the authentication tokens)", nullptr, nullptr,
               nullptr},
    TStepTexts{TStepKind::SecureSelectApplication, "MrtdSelectApplet connection error.",
               "MrtdBacSelectApplet : Wrong MAC in card's answer", "MrtdBacSelectApplet : Application not found",
               "MrtdBacSelectApplet : Bad status word %4X"},
    // A chip read without access control that has no EF.COM takes its data groups from EF.SOD.
    TStepTexts{TStepKind::PlainSelectEfCom, "MrtdSelectApplet connection error.", nullptr,
               "EF.COM: absent; data groups from EF.SOD", "MrtdSelectDG : Bad status word %X"},
    TStepTexts{TStepKind::GetChallenge, "MrtdIccGetChallenge connection error.", nullptr, nullptr,
               "MrtdIccGetChallenge : Wrong status word %X"},
    TStepTexts{TStepKind::ExternalAuthenticate, "MrtdIccMutualAuthenticate connection error.",
               "MrtdIccMutualAuthenticate : Wrong MAC in card's answer", nullptr,
               "MrtdIccGetChallenge : Wrong status word %X"},
    TStepTexts{TStepKind::SecureSelectEfCom, "MrtdBacSelectDG connection error.",
               "MrtdBacSelectDG : Wrong MAC in card's answer", "EF.COM: absent; data groups from EF.SOD",
               "MrtdBacSelectDG : Bad status word %4X"},
    TStepTexts{TStepKind::EfComHeader, "MrtdReadFileSize connection error.",
               "MrtdBacReadFile : Wrong MAC in card's answer", nullptr, "MrtdSelectDG : Bad status word %X"},
    TStepTexts{TStepKind::EfComBody, "MrtdReadFile connection error.", "MrtdBacReadFile : Wrong MAC in card's answer",
               nullptr, "MrtdBacReadFile : Bad status word %X"},
    TStepTexts{TStepKind::SelectDataGroup, "MrtdBacSelectDG connection error.",
               "MrtdBacSelectDG(%d) : Wrong MAC in card's answer", "MrtdBacSelectDG(%d) : File not found",
               "MrtdBacSelectDG(%d) : Bad status word %4X"},
    TStepTexts{TStepKind::DataGroupHeader, "MrtdReadFileSize connection error.",
               "MrtdBacReadFile : Wrong MAC in card's answer", "MrtdReadFileSizeDG(%d) : File not found",
               "MrtdReadFileSizetDG(%d) : Bad status word %4X"},
    TStepTexts{TStepKind::DataGroupPiece, "MrtdReadFileEx connection error.",
               "MrtdReadFileEx : Wrong MAC in card's answer", nullptr, "MrtdReadFileEx : Bad status word %X"},
    TStepTexts{TStepKind::ChipAuthSetAt, "MrtdChipAuthenticate : connection error at MSE:Set AT", nullptr, nullptr,
               nullptr},
    TStepTexts{TStepKind::ChipAuthSetKat, "MrtdChipAuthenticate : connection error at MSE:Set KAT", nullptr, nullptr,
               nullptr},
    TStepTexts{TStepKind::ChipAuthKeyAgreement, "MrtdChipAuthenticate : connection error at GENERAL AUTHENTICATE",
               nullptr, nullptr, nullptr},
    TStepTexts{TStepKind::ChipAuthProof,
               "MrtdChipAuthenticate : connection error at the first command under the new keys", nullptr, nullptr,
               nullptr},
    TStepTexts{TStepKind::InternalAuthenticate, "MrtdInternalAuthenticate connection error.", nullptr, nullptr,
               nullptr},
};

const TStepTexts* TextsOf(const TStep& step) {
  const auto found = std::ranges::find(kTexts, step.Kind, &TStepTexts::Kind);
  return found != kTexts.end() ? &*found : nullptr;
}

// Fills "%d" with the data group (EF.SOD's lines name it instead of "DG(%d)"),
// then the status word's conversion.
std::string Fill(const char* pattern, const TStep& step, std::uint16_t status = 0) {
  std::string text(pattern);
  if (const auto at = text.find("DG(%d)"); at != std::string::npos && step.FileId == kSecurityObjectFile.Id)
    text.replace(at, 6, "SOD");
  if (const auto at = text.find("%d"); at != std::string::npos) text.replace(at, 2, std::to_string(step.DataGroup));
  if (text.find('%') == std::string::npos) return text;
  std::array<char, 160> buffer{};
  std::snprintf(buffer.data(), buffer.size(), text.c_str(), static_cast<unsigned>(status));
  return buffer.data();
}

std::size_t OffsetOf(const TCommandApdu& command) { return static_cast<std::size_t>(command.P1 << 8 | command.P2); }

// The lines the read command may write, as patterns.
const std::vector<std::regex>& KnownLines() {
  static const std::vector<std::regex> patterns = [] {
    const std::array<const char*, 43> texts{
        R"(MrtdSelectApplet connection error\.)",
        R"(MrtdSelectDG : Bad status word [0-9A-F]+)",
        R"(MrtdSelectDG connection error\.)",
        R"(MrtdSelect(DG\(\d+\)|SOD) : File not found)",
        R"(MrtdSelect(DG\(\d+\)|SOD) : Bad status word [ 0-9A-F]{4,})",
        R"(MrtdIccGetChallenge connection error\.)",
        R"(MrtdIccGetChallenge : Wrong status word [0-9A-F]+)",
        R"(MrtdIccGetChallenge : Card returned -?\d+ bytes instead of \d+)",
        R"(RND_ICC error\.)",
        R"(MrtdIccMutualAuthenticate connection error\.)",
        R"(MrtdIccMutualAuthenticate : Wrong MAC in card's answer)",
        R"(MrtdIccMutualAuthenticate : Wrong RND\.IFD in card's answer)",
        R"(MrtdBacSelectDG connection error\.)",
        R"(MrtdBacSelectDG : Wrong MAC in card's answer)",
        R"(EF\.COM: absent; data groups from EF\.SOD)",
        R"(MrtdBacSelectDG : Bad status word [ 0-9A-F]{4,})",
        R"(MrtdBacSelect(DG\(\d+\)|SOD) : Wrong MAC in card's answer)",
        R"(MrtdBacSelect(DG\(\d+\)|SOD) : File not found)",
        R"(MrtdBacSelect(DG\(\d+\)|SOD) : Bad status word [ 0-9A-F]{4,})",
        R"(MrtdReadFileSize connection error\.)",
        R"(MrtdReadFileSize(DG\(\d+\)|SOD) : File not found)",
        R"(MrtdReadFileSizet(DG\(\d+\)|SOD) : Bad status word [ 0-9A-F]{4,})",
        R"(MrtdBacReadFile : Wrong MAC in card's answer)",
        R"(MrtdBacReadFile : Bad status word [0-9A-F]+)",
        R"(MrtdReadFile connection error\.)",
        R"(MrtdReadFile : Bad file length \d+)",
        R"(MrtdReadFileEx connection error\.)",
        R"(MrtdReadFileEx : Bad status word [0-9A-F]+)",
        R"(MrtdReadFileEx : Wrong MAC in card's answer)",
        R"(recv_len <>4 :  -?\d+)",
        R"(Hata #[1-5] : -?\d+)",
        R"(Querying file size (DG\(\d+\)|SOD))",
        R"(filesize:\d+)",
        R"(LDS Ver\.: [\s\S]*)",
        R"(Unicode Ver\.: [\s\S]*)",
        R"(DataGroups : (DG\d+(,DG\d+)*)?)",
        R"(MRZ: [\s\S]*)",
        R"(FullName: [\s\S]*)",
        R"(PersonalNumber: [\s\S]*)",
        R"(PlaceOfBirth: [\s\S]*)",
        R"(Address: [\s\S]*)",
        R"(Telephone: [\s\S]*)",
        R"(Profession: [\s\S]*)",
    };
    std::vector<std::regex> compiled(texts.begin(), texts.end());
    compiled.emplace_back(R"(Title: [\s\S]*)");
    // PACE: what EF.CardAccess offers, the handshake's outcome, the application selected under its keys.
    compiled.emplace_back(R"(EF\.CardAccess: [\s\S]*)");
    compiled.emplace_back(R"(PACE: (established|failed) \([\s\S]*\))");
    compiled.emplace_back(
        R"(MrtdBacSelectApplet : (Wrong MAC in card's answer|Application not found|Bad status word [ 0-9A-F]{4,}))");
    compiled.emplace_back(R"(PersonalSummary: [\s\S]*)");
    // Passive Authentication: its line beginnings.
    compiled.emplace_back(R"((EF\.SOD|SOD signature|Document signer|CSCA|DG\d+ hash|Issuing state): [\s\S]*)");
    compiled.emplace_back(R"(Passive authentication: (PASSED|FAILED \([\s\S]*\)|INCOMPLETE \([\s\S]*\)))");
    // Chip and Active Authentication: their steps' lines and verdict lines.
    compiled.emplace_back(R"(MrtdChipAuthenticate : [\s\S]+)");
    compiled.emplace_back(R"(MrtdInternalAuthenticate connection error\.)");
    compiled.emplace_back(
        R"(Chip authentication: (PASSED( \(PACE-CAM[\s\S]*\))?|FAILED \([\s\S]*\)|not supported|not possible \([\s\S]*\)))");
    // After PACE-CAM: EF.CardSecurity read in the master file, and its line.
    compiled.emplace_back(R"(EF\.CardSecurity: [\s\S]*)");
    compiled.emplace_back(
        R"(MrtdBacSelectCardSecurity : (Wrong MAC in card's answer|File not found|Bad status word [ 0-9A-F]{4,}))");
    compiled.emplace_back(R"((Querying file size |MrtdReadFileSize|MrtdReadFileSizet)CardSecurity[\s\S]*)");
    compiled.emplace_back(
        R"(Active authentication: (PASSED|FAILED \([\s\S]*\)|not supported|not possible \([\s\S]*\)))");
    return compiled;
  }();
  return patterns;
}

}  // namespace

bool TStep::Read() const {
  return Kind == TStepKind::EfComHeader || Kind == TStepKind::EfComBody || Kind == TStepKind::DataGroupHeader ||
         Kind == TStepKind::DataGroupPiece;
}

std::vector<TStep> StepsOf(const std::vector<simchip::TJournalEntry>& journal) {
  std::vector<TStep> steps;
  bool headerRead = false;     // of the file selected last
  std::uint16_t selected = 0;  // a refused read names no file: it reads the one selected
  std::size_t paceSteps = 0;   // GENERAL AUTHENTICATE commands so far
  bool chipAuthKeyed = false;  // Chip Authentication's key agreement sent: its proof comes next
  constexpr std::array kPaceSteps{TStepKind::PaceNonce, TStepKind::PaceMapping, TStepKind::PaceKeyAgreement,
                                  TStepKind::PaceTokens};
  for (const simchip::TJournalEntry& entry : journal) {
    TStep step;
    step.FileId = entry.FileId.value_or(selected);
    step.DataGroup = simchip::DataGroupOfFileId(step.FileId).value_or(0);
    const bool efCom = step.FileId == simchip::kEfComFileId;
    step.Protected = entry.Protected;
    if (!entry.Plain) {
      steps.push_back(step);
      continue;
    }
    const TCommandApdu& command = *entry.Plain;
    switch (command.Ins) {
      case kInsSelect:
        headerRead = false;
        selected = step.FileId;
        if (command.P1 == 0x04)
          step.Kind = entry.Protected ? TStepKind::SecureSelectApplication : TStepKind::SelectApplication;
        else if (!entry.Protected && command.Data == TApduBytes{0x01, 0x1C})
          step.Kind = TStepKind::SelectCardAccess;
        else if (!entry.Protected)
          step.Kind = efCom ? TStepKind::PlainSelectEfCom : TStepKind::Other;
        else if (chipAuthKeyed)
          step.Kind = TStepKind::ChipAuthProof;
        else
          step.Kind = efCom ? TStepKind::SecureSelectEfCom : TStepKind::SelectDataGroup;
        chipAuthKeyed = false;
        break;
      case kInsGetChallenge:
        step.Kind = TStepKind::GetChallenge;
        break;
      case kInsExternalAuthenticate:
        step.Kind = TStepKind::ExternalAuthenticate;
        break;
      case kInsReadBinary:
        step.Offset = OffsetOf(command);
        step.Length = command.Le.value_or(0);
        // EF.COM: its header at offset 0 (read again after BAC), the rest behind it.
        if (efCom)
          step.Kind = step.Offset == 0 ? TStepKind::EfComHeader : TStepKind::EfComBody;
        else if (!entry.Protected)
          step.Kind = step.FileId == kCardAccessFile ? TStepKind::CardAccessRead : TStepKind::Other;
        else
          step.Kind = headerRead ? TStepKind::DataGroupPiece : TStepKind::DataGroupHeader;
        headerRead = true;
        break;
      // PACE's commands go in plain; under secure messaging they are Chip Authentication's.
      case kInsManageSecurityEnvironment:
        if (!entry.Protected)
          step.Kind = TStepKind::PaceSetAt;
        else
          step.Kind = command.P2 == kSetKeyAgreementTemplate ? TStepKind::ChipAuthSetKat : TStepKind::ChipAuthSetAt;
        // MSE:Set KAT carries the key agreement itself.
        chipAuthKeyed = step.Kind == TStepKind::ChipAuthSetKat;
        break;
      case kInsGeneralAuthenticate:
        if (!entry.Protected) {
          step.Kind = kPaceSteps[paceSteps++ % kPaceSteps.size()];
        } else {
          step.Kind = TStepKind::ChipAuthKeyAgreement;
          chipAuthKeyed = true;
        }
        break;
      case kInsInternalAuthenticate:
        step.Kind = TStepKind::InternalAuthenticate;
        break;
      default:
        break;
    }
    steps.push_back(step);
  }
  return steps;
}

std::optional<std::string> ConnectionErrorLine(const TStep& step) {
  const TStepTexts* texts = TextsOf(step);
  if (!texts) return std::nullopt;
  return texts->ConnectionError;
}

std::optional<std::string> WrongMacLine(const TStep& step) {
  const TStepTexts* texts = TextsOf(step);
  if (!texts || !texts->WrongMac) return std::nullopt;
  return Fill(texts->WrongMac, step);
}

std::optional<std::string> RefusedStatusLine(const TStep& step, std::uint16_t status) {
  const TStepTexts* texts = TextsOf(step);
  if (!texts || !texts->BadStatus) return std::nullopt;
  if (status == kFileNotFound && texts->FileNotFound) return Fill(texts->FileNotFound, step);
  return Fill(texts->BadStatus, step, status);
}

bool IsKnownLogLine(const std::string& line) {
  return std::ranges::any_of(KnownLines(), [&](const std::regex& pattern) { return std::regex_match(line, pattern); });
}
