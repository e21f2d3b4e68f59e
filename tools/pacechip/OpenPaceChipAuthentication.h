#pragma once
// Chip Authentication after PACE, on OpenPACE's CA: MSE:Set AT with a CA OID
// and GENERAL AUTHENTICATE, or MSE:Set KAT, as unwrapped from PACE's secure
// messaging. OpenPACE agrees the key (CA_STEP4_compute_shared_secret) and runs
// the new secure messaging; the keys are those of Chip Authentication
// version 1 (no nonce), derived from the secret at its full length.

#include <eac/eac.h>

#include <optional>

#include "tools/simchip/ChipAuthentication.h"
#include "tools/simchip/SimulatedChip.h"

namespace pacechip {

struct TCaAnswer {
  simchip::TBytes Answer;   // data and status word, to be wrapped under the current keys
  bool SwitchKeys = false;  // then OpenPACE's CA context serves every later command
};

class TOpenPaceChipAuthentication {
public:
  // The answer when the command belongs to Chip Authentication; nothing for
  // the chip to answer otherwise.
  std::optional<TCaAnswer> Answer(const TCommandApdu& plain, EAC_CTX& eac, simchip::TSimulatedChip& chip);

private:
  TCaAnswer Agree(const simchip::TCaProtocol& protocol, std::span<const std::uint8_t> terminalKey, EAC_CTX& eac,
                  EVP_PKEY& key, simchip::TBytes answerData);

  const simchip::TCaProtocol* protocol_ = nullptr;  // chosen by MSE:Set AT
};

}  // namespace pacechip
