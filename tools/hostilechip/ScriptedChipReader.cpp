#include "tools/hostilechip/ScriptedChipReader.h"

#include <algorithm>

#include "tools/pacechip/OpenPaceChip.h"
#include "tools/simchip/SecureChannel.h"

namespace hostile {

namespace {

constexpr std::size_t kMacEndFromAnswerEnd = 3;  // the MAC's last byte stands before SW1 SW2

simchip::TBytes StatusBytes(std::uint16_t status) {
  return {static_cast<std::uint8_t>(status >> 8), static_cast<std::uint8_t>(status)};
}

}  // namespace

simchip::TBytes TScriptedChipReader::Compose(const TScriptedAnswer& answer) const {
  // The program has advanced its counter for the command; the answer's MAC
  // takes the next value, as the chip's would.
  simchip::TSecureChannel channel({session_.encK, session_.macK}, session_.SSC);
  switch (answer.Kind) {
    case TAnswerKind::Data:
      return channel.Wrap(answer.Bytes, answer.Status);
    case TAnswerKind::WrongMacData: {
      simchip::TBytes wrapped = channel.Wrap(answer.Bytes, answer.Status);
      wrapped[wrapped.size() - kMacEndFromAnswerEnd] ^= 0x01;
      return wrapped;
    }
    case TAnswerKind::ProtectedStatus:
      return channel.Wrap({}, answer.Status);
    case TAnswerKind::BareStatus:
      return StatusBytes(answer.Status);
    case TAnswerKind::Raw:
    case TAnswerKind::TransmitError:
    case TAnswerKind::CardRemoved:
      break;
  }
  return answer.Bytes;
}

std::int32_t TScriptedChipReader::Transmit(TScardHandle card, std::uint32_t protocol,
                                           std::span<const std::uint8_t> command, std::span<std::uint8_t> response,
                                           std::uint32_t& responseLength) {
  const bool underPace = pace_ && pace_->Established();
  const bool secure = session_.BacEnabled || underPace;
  if (pace_) Note(command, underPace);
  const std::int32_t result = TSimulatedReader::Transmit(card, protocol, command, response, responseLength);
  if (!(secure || pace_) || !script_ || result != kScardSuccess) return result;

  const std::optional<TScriptedAnswer> answer = script_({command, response.first(responseLength), session_, underPace});
  if (!answer) return result;
  switch (answer->Kind) {
    case TAnswerKind::TransmitError:
      return ScardCode(answer->PcscError);
    case TAnswerKind::CardRemoved:
      RemoveCard();
      return ScardCode(kScardWRemovedCard);
    default:
      break;
  }
  // Under PACE OpenPACE wraps, whatever the cipher; BAC's session (after PACE was turned down) wraps as before.
  const bool paceAnswer = underPace || (pace_ && !session_.BacEnabled);
  const simchip::TBytes bytes = paceAnswer ? ComposeForPace(*answer, underPace) : Compose(*answer);
  if (bytes.size() > response.size()) return ScardCode(kScardEInsufficientBuffer);
  std::copy(bytes.begin(), bytes.end(), response.begin());
  responseLength = static_cast<std::uint32_t>(bytes.size());
  return kScardSuccess;
}

}  // namespace hostile
