#pragma once
// The outcome of EF.CardSecurity's check: its one log line, how it went and
// the SecurityInfos it carries.

#include <optional>
#include <string>

#include "document/PassiveAuthResult.h"
#include "document/SecurityInfos.h"

struct TCardSecurityCheck {
  // "EF.CardSecurity: <bytes> bytes, signature valid|INVALID, CSCA: ..." or
  // "EF.CardSecurity: <bytes> bytes, unreadable, <what>".
  TPaLine Line;
  // Passed: signature valid and the chain trusted. Failed: anything that
  // contradicts (malformed, signature invalid, chain invalid, expired or
  // revoked). Incomplete: nothing contradicts, but the signer's certificate
  // or its CSCA is not at hand.
  TPaVerdict Verdict = TPaVerdict::Incomplete;
  std::string Reason;                   // why not Passed, e.g. "signature invalid", "CSCA not in the trust store"
  std::optional<TSecurityInfos> Infos;  // the SecurityInfos, whenever they could be taken out
};
