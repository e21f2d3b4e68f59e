#pragma once
// The chip's side of PACE on OpenPACE (libeac), put in front of a simulated
// chip: EF.CardAccess in the master file, MSE:Set AT, the four GENERAL
// AUTHENTICATE steps, then secure messaging (AES or 3DES, as the protocol
// says) around the chip's own answers. The program's PACE is thus tested
// against an implementation it did not write. Only tools and tests link it.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tools/simchip/SimulatedChip.h"

struct eac_ctx;  // OpenPACE's EAC_CTX

namespace pacechip {

struct TPaceOffer {
  std::string Protocol;  // e.g. "id-PACE-ECDH-GM-AES-CBC-CMAC-128"
  int ParameterId = 13;
};

struct TPaceChipOptions {
  std::vector<TPaceOffer> Offers;  // one PACEInfo each, in this order
  bool RefuseBac = false;          // EXTERNAL AUTHENTICATE answered 6985: PACE only
  // The card access number: PACE takes it (password reference 02, handed to
  // OpenPACE as raw characters) and refuses the MRZ (MSE:Set AT answered
  // 6A88). Empty: the MRZ is the password and a CAN is refused with 6A88.
  std::string Can;
};

// A document's own PACE (its pace and can lines) where the options give none:
// offers when none were given, the CAN when none was given; a CAN means PACE only.
TPaceChipOptions WithDocumentPace(TPaceChipOptions options, const std::vector<std::string>& documentOffers,
                                  const std::string& documentCan);
// PROTOCOL:ID parsed, e.g. id-PACE-ECDH-GM-AES-CBC-CMAC-128:13; nothing when malformed.
std::optional<TPaceOffer> ParsePaceOffer(std::string_view text);

// The PACE protocols the chip knows, by name.
bool KnownPaceProtocol(const std::string& name);

class TOpenPaceChip final : public simchip::TChipExtension {
public:
  // Serves PACE with the MRZ information of chip; installs itself on chip.
  TOpenPaceChip(simchip::TSimulatedChip& chip, TPaceChipOptions options);
  ~TOpenPaceChip() override;
  TOpenPaceChip(const TOpenPaceChip&) = delete;
  TOpenPaceChip& operator=(const TOpenPaceChip&) = delete;

  std::optional<simchip::TBytes> Answer(std::span<const std::uint8_t> command, simchip::TSimulatedChip& chip) override;
  void SessionEnded() override;

  // EF.CardAccess as the chip serves it.
  const simchip::TBytes& CardAccess() const { return cardAccess_; }
  bool Established() const;
  // OpenPACE's context of the established session (null before and after
  // it): its keys and counter as they stand after the last answer, for the
  // tools that forge answers under them (PaceSessionForgery.h).
  eac_ctx* SessionContext() const;

private:
  struct TState;
  simchip::TSimulatedChip& chip_;
  TPaceChipOptions options_;
  simchip::TBytes cardAccess_;
  std::unique_ptr<TState> state_;
};

}  // namespace pacechip
