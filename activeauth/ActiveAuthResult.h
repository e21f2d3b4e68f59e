#pragma once
// The outcome of Active Authentication and the log line that tells it.

#include <string>

enum class TAaVerdict {
  Passed,        // the chip's signature over the challenge verifies under DG15's key
  Failed,        // the chip answered wrongly or not at all
  NotPossible,   // it could not be tried or checked here (reader, unknown algorithm, unusable key)
  NotSupported,  // the chip has no DG15
};

struct TAaResult {
  TAaVerdict Verdict = TAaVerdict::NotSupported;
  std::string Reason;  // a short human text for Failed and NotPossible, else empty

  bool operator==(const TAaResult&) const = default;
};

// "Active authentication: PASSED", "... FAILED (<reason>)", "... not supported",
// "... not possible (<reason>)".
std::string ActiveAuthenticationLine(const TAaResult& result);
