#pragma once
// A simulated reader whose chip turns hostile once secure messaging is on.
//
// Until the program's session has Basic Access Control on, every command goes
// to the simulated chip as usual. From then on each command still reaches the
// chip (so that its send sequence counter keeps pace with the program's), but
// a script may put another answer in place of the chip's: plaintext data or a
// status word wrapped with the session's own keys and counter (DO'87', DO'99',
// DO'8E' with a valid MAC), a bare status word, raw bytes, a spoilt MAC, a
// failed transmission or the card taken away. So hostile content gets past
// the MAC check and reaches the program's decoders.
//
// With PACE (UsePace) the script is asked about every command, the plain
// ones of EF.CardAccess and the PACE steps included; its answers are sent
// as they are until PACE's session is established, and are wrapped from
// then on by OpenPACE under the chip's own session keys and counter.

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "crypto/MrtdContext.h"
#include "tools/simchip/Bytes.h"
#include "tools/simchip/SimulatedReader.h"

namespace pacechip {
class TOpenPaceChip;
}

namespace hostile {

enum class TAnswerKind {
  Data,             // Bytes as plaintext with Status, wrapped with a valid MAC
  WrongMacData,     // the same with the last byte of its MAC flipped
  ProtectedStatus,  // 99 02 SW 8E 08 MAC SW with a valid MAC, no data
  BareStatus,       // the two status bytes alone
  Raw,              // Bytes exactly as they are
  TransmitError,    // no answer: the reader returns PcscError
  CardRemoved,      // no answer: the card leaves the reader for good
};

struct TScriptedAnswer {
  TAnswerKind Kind = TAnswerKind::Data;
  simchip::TBytes Bytes;
  std::uint16_t Status = 0x9000;
  std::uint32_t PcscError = 0;
};

// One command sent under secure messaging, as the script sees it.
struct TExchange {
  std::span<const std::uint8_t> Command;     // as the program sent it
  std::span<const std::uint8_t> ChipAnswer;  // what the chip answered
  const tMRTD_CTX& Session;                  // the program's session, its counter advanced for the command
  bool UnderPace = false;                    // sent under PACE's secure messaging
};

// What to answer instead of the chip; nothing lets the chip's answer through.
using TAnswerScript = std::function<std::optional<TScriptedAnswer>(const TExchange& exchange)>;

class TScriptedChipReader : public simchip::TSimulatedReader {
public:
  // session: the program's session, read at every exchange for its keys,
  // counter and whether BAC is on. It must outlive the reader.
  explicit TScriptedChipReader(const tMRTD_CTX& session) : session_(session) {}

  void SetScript(TAnswerScript script) { script_ = std::move(script); }

  // Forges during and after PACE too, with the session of pace (null: BAC only).
  void UsePace(const pacechip::TOpenPaceChip* pace) { pace_ = pace; }
  // With PACE: every command sent, as the chip reads it (Plain deciphered
  // under PACE's secure messaging, FileId of a SELECT by identifier).
  const std::vector<simchip::TJournalEntry>& PaceJournal() const { return paceJournal_; }
  void ClearPaceJournal() { paceJournal_.clear(); }

  std::int32_t Transmit(TScardHandle card, std::uint32_t protocol, std::span<const std::uint8_t> command,
                        std::span<std::uint8_t> response, std::uint32_t& responseLength) override;

private:
  // The bytes of a scripted answer of the answering kinds.
  simchip::TBytes Compose(const TScriptedAnswer& answer) const;
  // The same under PACE: wrapped by OpenPACE once its session is established, else as they are.
  simchip::TBytes ComposeForPace(const TScriptedAnswer& answer, bool underPace) const;
  void Note(std::span<const std::uint8_t> command, bool underPace);

  const tMRTD_CTX& session_;
  TAnswerScript script_;
  const pacechip::TOpenPaceChip* pace_ = nullptr;
  std::vector<simchip::TJournalEntry> paceJournal_;
};

}  // namespace hostile
