#pragma once
// The chip's side of PACE with Integrated Mapping (ECDH and DH) and with Chip
// Authentication Mapping (ECDH), and Generic Mapping beside them, on the
// chip's own code over OpenSSL (OpenPACE has neither mapping), put in front of
// a TSimulatedChip as its TChipExtension. The master file holds EF.CardAccess
// (011C, one PACEInfo per offer) and, when given, EF.CardSecurity (011D,
// readable under PACE's secure messaging only). MSE:Set AT names the protocol
// (DO'80'), the password (DO'83': 01 the MRZ, 02 the CAN) and optionally the
// parameter id (DO'84'); the GENERAL AUTHENTICATE steps follow, chained:
//   1. the encrypted nonce z in DO'80';
//   2. Generic / Chip Authentication Mapping: the terminal's mapping key in
//      DO'81', the chip's in DO'82'; Integrated Mapping: the terminal's nonce t
//      in DO'81', answered with an empty DO'82';
//   3. the ephemeral keys in DO'83' and DO'84';
//   4. the terminal's token in DO'85' (6300 when it does not verify, e.g. a
//      wrong password), the chip's in DO'86', and for Chip Authentication
//      Mapping the encrypted chip authentication data A_IC in DO'8A'.
// Then AES secure messaging with the session keys, counter from zero, around
// the chip's own answers; the application's files once the terminal selects it.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "tools/pacechip/OpenPaceChip.h"
#include "tools/simchip/SimulatedChip.h"

namespace mappingchip {

using simchip::TBytes;

// The name of a document's private key for Chip Authentication Mapping.
inline constexpr std::string_view kChipAuthenticationMappingKey = "pace-cam";

struct TMappingChipOptions {
  pacechip::TPaceChipOptions Pace;  // offers, BAC refused, CAN: as for OpenPACE's chip
  TBytes CardSecurity;              // EF.CardSecurity; empty: none
  TBytes CamPrivateKey;             // the static private key of Chip Authentication Mapping, as a big-endian number
  bool CloneCam = false;            // a clone: a fresh key of the same curve, drawn once, instead of CamPrivateKey
};

// The chip's random values of one PACE run; an empty one is drawn.
struct TChipSecrets {
  TBytes Nonce;         // s
  TBytes MappingKey;    // SK_Map,IC (Generic and Chip Authentication Mapping)
  TBytes EphemeralKey;  // SK_IC of the key agreement
};

// The private scalar of an EC private key (a document's pace-cam key).
TBytes EcPrivateScalar(EVP_PKEY& key);

class TMappingPaceChip final : public simchip::TChipExtension {
public:
  // Installs itself on chip. Throws std::runtime_error for an offer the chip cannot serve.
  TMappingPaceChip(simchip::TSimulatedChip& chip, TMappingChipOptions options);
  ~TMappingPaceChip() override;
  TMappingPaceChip(const TMappingPaceChip&) = delete;
  TMappingPaceChip& operator=(const TMappingPaceChip&) = delete;

  std::optional<TBytes> Answer(std::span<const std::uint8_t> command, simchip::TSimulatedChip& chip) override;
  void SessionEnded() override;

  // The next PACE run takes these instead of drawing them.
  void SetNextSecrets(TChipSecrets secrets) { nextSecrets_ = std::move(secrets); }

  const TBytes& CardAccess() const { return cardAccess_; }
  bool Established() const;
  // The session keys of the run (after its third step), for tests.
  std::optional<simchip::TSmKeys> SessionKeys() const;
  // The generator of the run after its mapping step, encoded as a public key.
  std::optional<TBytes> MappedGenerator() const;

private:
  struct TState;
  std::optional<TBytes> AnswerProtected(const TCommandApdu& command, simchip::TSimulatedChip& chip);
  std::optional<TBytes> AnswerMasterFile(const TCommandApdu& command, bool secured);
  TBytes SetAuthenticationTemplate(const TCommandApdu& command, simchip::TSimulatedChip& chip);
  TBytes GeneralAuthenticate(const TCommandApdu& command);

  simchip::TSimulatedChip& chip_;
  TMappingChipOptions options_;
  TBytes cardAccess_;
  TBytes cloneKey_;
  std::optional<TChipSecrets> nextSecrets_;
  std::unique_ptr<TState> state_;
};

}  // namespace mappingchip
