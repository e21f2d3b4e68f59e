// The scripted reader under PACE: answers during the PACE steps go as they
// are; under PACE's secure messaging OpenPACE wraps them with the chip's own
// keys and counter.
#include "tools/hostilechip/ScriptedChipReader.h"
#include "tools/pacechip/OpenPaceChip.h"
#include "tools/pacechip/PaceSessionForgery.h"
#include "tools/simchip/Apdu.h"

namespace hostile {

namespace {

constexpr std::size_t kMacEndFromAnswerEnd = 3;  // the MAC's last byte stands before SW1 SW2
constexpr std::uint8_t kInsSelectFile = 0xA4;

// The file a SELECT by identifier names.
std::optional<std::uint16_t> SelectedFile(const TCommandApdu& command) {
  if (command.Ins != kInsSelectFile || command.P1 == 0x04 || command.Data.size() != 2) return std::nullopt;
  return static_cast<std::uint16_t>(command.Data[0] << 8 | command.Data[1]);
}

}  // namespace

void TScriptedChipReader::Note(std::span<const std::uint8_t> command, bool underPace) {
  simchip::TJournalEntry entry;
  entry.Command.assign(command.begin(), command.end());
  entry.Protected = underPace;
  entry.Plain = underPace ? pacechip::UnwrapPendingCommand(*pace_, command) : ParseCommand(command);
  if (entry.Plain) entry.FileId = SelectedFile(*entry.Plain);
  paceJournal_.push_back(std::move(entry));
}

simchip::TBytes TScriptedChipReader::ComposeForPace(const TScriptedAnswer& answer, bool underPace) const {
  const bool wrapped = answer.Kind == TAnswerKind::Data || answer.Kind == TAnswerKind::WrongMacData ||
                       answer.Kind == TAnswerKind::ProtectedStatus;
  if (answer.Kind == TAnswerKind::BareStatus) return simchip::StatusOnly(answer.Status);
  if (!wrapped) return answer.Bytes;
  const std::span<const std::uint8_t> data =
      answer.Kind == TAnswerKind::ProtectedStatus ? std::span<const std::uint8_t>() : std::span(answer.Bytes);
  if (!underPace) return simchip::Response(data, answer.Status);
  // The chip's session ended on this command (a MAC it could not verify): nothing to wrap under.
  std::optional<simchip::TBytes> bytes = pacechip::WrapAsLastAnswer(*pace_, data, answer.Status);
  if (!bytes) return simchip::StatusOnly(answer.Status);
  if (answer.Kind == TAnswerKind::WrongMacData) (*bytes)[bytes->size() - kMacEndFromAnswerEnd] ^= 0x01;
  return *bytes;
}

}  // namespace hostile
