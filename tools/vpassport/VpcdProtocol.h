#pragma once
// The card side of vsmartcard's vpcd protocol. The reader driver, loaded by
// pcscd, listens on a TCP port; the card connects to it. Each message either
// way is a 2-byte big-endian length and that many bytes. A 1-byte message from
// the driver is a control code; any longer one is a command APDU, answered by
// the response APDU.

#include <cstdint>
#include <optional>
#include <span>

#include "tools/simchip/SimulatedChip.h"

namespace vpassport {

enum EVpcdControl : std::uint8_t {
  kVpcdPowerOff = 0,
  kVpcdPowerOn = 1,
  kVpcdReset = 2,
  kVpcdGetAtr = 4,
};

// What the card sends back for one message from the driver: the ATR for
// kVpcdGetAtr, the chip's answer for a command, nothing for the other control
// codes. A command whose transmission the chip's faults make fail is answered
// with an empty message.
std::optional<simchip::TBytes> AnswerVpcdMessage(simchip::TSimulatedChip& chip, std::span<const std::uint8_t> message);

// The 2-byte length prefix and the payload, ready to send.
simchip::TBytes FrameVpcdMessage(std::span<const std::uint8_t> payload);

}  // namespace vpassport
