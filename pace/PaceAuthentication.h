#pragma once
// PACE (ICAO 9303-11 §4.4) with Generic, Integrated or Chip Authentication
// Mapping: MSE:Set AT, GENERAL AUTHENTICATE in four chained steps (encrypted
// nonce, mapping, key agreement, authentication tokens), the chip's token
// checked before anything from the chip is trusted (for CAM, CA_IC taken out
// of the last answer for the later check), then secure messaging under the session
// keys put in force on the card session: AES, or 3DES on the session's record
// (counter from zero).
//
// Logs "PACE: established (<protocol>, <parameters>)" (", CAN" after the
// parameters when the password is the card access number), "PACE: failed
// (<reason>)" for a failure (no BAC follows; "wrong CAN" when the chip
// refuses a CAN), and for a PACE that is not run
// (BAC may follow) "PACE: not used (<reason>)" when no PACEInfo is one the
// program runs or the chip turns MSE:Set AT down as unsupported, "PACE: not
// possible (<reason>)" when its parameters need extended length that the
// reader or the chip lacks. Nonce, ephemeral private keys, shared secret and
// session keys are wiped when done with and never logged.

#include <optional>
#include <span>
#include <string>

#include "card/CardSession.h"
#include "pace/CardAccess.h"
#include "pace/ChipAuthenticationMapping.h"
#include "pace/PacePassword.h"

enum class TPaceOutcome {
  Established,  // the session reads under PACE's secure messaging
  NotRun,       // no PACEInfo the program runs, or MSE:Set AT refused as unsupported: BAC may follow
  Failed,       // PACE went wrong (wrong password, an answer that does not hold): no BAC
  // MSE:Set AT refused the password's reference (6A88: the chip does not
  // take that password, e.g. a chip that takes only the CAN): nothing is
  // logged, and the caller may run PACE again with another password.
  PasswordNotTaken,
};

struct TPaceResult {
  TPaceOutcome Outcome = TPaceOutcome::NotRun;
  bool WrongPassword = false;  // Failed because the chip refused the password itself
  // Set when a Chip Authentication Mapping protocol was established: what the
  // check against the chip's key from EF.CardSecurity needs.
  std::optional<TCamEvidence> Cam = std::nullopt;
};

// Whether PACE can run with one PACEInfo, and why not.
struct TPaceInfoUse {
  enum { Usable, NotUsable, BeyondTheReader } Use;
  std::string Reason;  // empty when usable
};
// lengths: whether reader and chip take extended length, which the 2048-bit
// DH groups need (short APDUs only when not given).
TPaceInfoUse UseOf(const TPaceInfo& info, const TLengthLimits& lengths = {});

// The PACEInfo PACE runs with: among those whose protocol and parameters the
// program knows and can send with the lengths reader and chip take, the first
// with Chip Authentication Mapping, else with Generic Mapping, else with
// Integrated Mapping; nothing when there is none.
const TPaceInfo* ChoosePaceInfo(std::span<const TPaceInfo> infos, const TLengthLimits& lengths = {});

// Runs PACE with password over the first usable PACEInfo of infos, its steps
// in plain. Once established the session's secure messaging is PACE's; for
// 3DES the session keys go into the session's record (BacEnabled, counter
// from zero).
TPaceResult PerformPace(const TPacePassword& password, std::span<const TPaceInfo> infos, TCardSession& session);
