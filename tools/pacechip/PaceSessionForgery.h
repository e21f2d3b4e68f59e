#pragma once
// Commands and answers under the secure messaging of an OpenPACE chip's
// session, for the tools that put hostile answers in place of the chip's:
// the command read as the chip will read it, and any data and status word
// wrapped as the chip's own answer (its keys, its counter, a valid MAC).
// OpenPACE does the cryptography; nothing is taken from the terminal.

#include <cstdint>
#include <optional>
#include <span>

#include "reader/Apdu.h"
#include "tools/pacechip/OpenPaceChip.h"
#include "tools/simchip/Bytes.h"

namespace pacechip {

// The protected command before the chip has answered it: its header with
// CLA 00, the deciphered data of DO'87' and Le of DO'97'. The MAC is not
// checked and the counter is left as it stands. Nothing when no session is
// open or the objects cannot be read.
std::optional<TCommandApdu> UnwrapPendingCommand(const TOpenPaceChip& chip, std::span<const std::uint8_t> command);

// Data and status word as the chip's answer to the command it answered
// last: DO'87' (when there is data), DO'99', DO'8E' under the counter of
// that answer, then the status word. Nothing when no session is open.
std::optional<simchip::TBytes> WrapAsLastAnswer(const TOpenPaceChip& chip, std::span<const std::uint8_t> data,
                                                std::uint16_t status);

// The plaintext of the chip's last answer (DO'87' deciphered under the
// counter of that answer); empty when it carries no data. Nothing when no
// session is open or the cryptogram cannot be deciphered. The MAC is not checked.
std::optional<simchip::TBytes> UnwrapLastAnswer(const TOpenPaceChip& chip, std::span<const std::uint8_t> answer);

}  // namespace pacechip
