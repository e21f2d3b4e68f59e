#include "tools/vpassport/VpcdProtocol.h"

#include <algorithm>
#include <stdexcept>

namespace vpassport {

std::optional<simchip::TBytes> AnswerVpcdMessage(simchip::TSimulatedChip& chip, std::span<const std::uint8_t> message) {
  if (message.size() != 1) {
    if (message.empty()) return std::nullopt;
    return chip.Transmit(message).Answer;
  }
  switch (message[0]) {
    case kVpcdPowerOff:
      chip.PowerOff();
      return std::nullopt;
    case kVpcdPowerOn:
      chip.PowerOn();
      return std::nullopt;
    case kVpcdReset:
      chip.Reset();
      return std::nullopt;
    case kVpcdGetAtr:
      return chip.Atr();
    default:
      return std::nullopt;  // control codes of later protocol versions are ignored
  }
}

simchip::TBytes FrameVpcdMessage(std::span<const std::uint8_t> payload) {
  if (payload.size() > 0xFFFF) throw std::length_error("vpcd message longer than 65535 bytes");
  simchip::TBytes framed(2 + payload.size());
  framed[0] = static_cast<std::uint8_t>(payload.size() >> 8);
  framed[1] = static_cast<std::uint8_t>(payload.size());
  std::copy(payload.begin(), payload.end(), framed.begin() + 2);
  return framed;
}

}  // namespace vpassport
