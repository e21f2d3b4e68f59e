#pragma once
// Chip Authentication, terminal side (ICAO 9303-11 §6.2, BSI TR-03110 CA
// version 1): an ephemeral key pair on the domain parameters of the chip's
// static key, the ephemeral public key sent under the secure messaging that is
// running (MSE:Set AT and GENERAL AUTHENTICATE when DG14 names the protocol,
// MSE:Set KAT when it holds only the key, and MSE:Set KAT once more when a
// 3DES chip refuses MSE:Set AT), new session keys from the shared secret, and
// the proof: one command under the new keys (SELECT EF.DG14) whose answer
// verifies with 9000. Only a chip holding the static private key can make it.
//
// The old keys stay in force until the last answer of the protocol has been
// verified under them; then secure messaging restarts with a zero counter,
// its cipher taken from the protocol (3DES: the session's record with an
// 8-byte counter; AES with a 16-byte counter), in force on the card session.
//
// Failures of a step are logged ("MrtdChipAuthenticate : <reason>"); the
// verdict line is the caller's. The ephemeral private key comes from the
// random source in use (RandomSource.h, which tests replace); it, the shared
// secret and the keys are wiped when done with and never logged.

#include <string>

#include "card/CardSession.h"
#include "document/ChipAuthenticationKey.h"

enum class TChipAuthOutcome {
  Passed,  // the session reads under secure messaging with the new keys
  Failed,  // the chip refused a step or an answer did not verify: Reason says which
  NotRun,  // the key or protocol is one the program cannot use (Reason says why); nothing was sent
};

struct TChipAuthResult {
  TChipAuthOutcome Outcome = TChipAuthOutcome::NotRun;
  std::string Reason;  // empty when Passed
};

// Runs Chip Authentication with key over the session's secure messaging in
// force. When it passes the session reads under the new keys (3DES on the
// session's record, counter from zero). After a failure the secure messaging
// in force is the one before; past the first command the chip may have left
// its keys, and it is then of no further use.
TChipAuthResult PerformChipAuthentication(const TChipAuthenticationKey& key, TCardSession& session);
