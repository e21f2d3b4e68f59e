#pragma once
// The reader's part of Active Authentication (ICAO 9303-11 §6.1): INTERNAL
// AUTHENTICATE with a fresh 8-byte challenge through the card session,
// giving back the chip's signature for the trust layer to verify.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "card/CardSession.h"
#include "reader/Apdu.h"

inline constexpr std::size_t kAaChallengeLength = 8;
using TAaChallenge = std::array<std::uint8_t, kAaChallengeLength>;

// The most data a short response APDU brings (Le 00).
inline constexpr std::size_t kShortAnswerMaxData = 256;

enum class TInternalAuthenticateOutcome {
  Signed,       // the chip answered; Signature holds its answer's data
  Failed,       // the exchange went wrong; Reason says how
  NotPossible,  // nothing was sent: the answer could not come back through this reader
};

struct TInternalAuthenticateResult {
  TInternalAuthenticateOutcome Outcome = TInternalAuthenticateOutcome::Failed;
  TAaChallenge Challenge{};             // as sent (all zero when nothing was sent)
  std::vector<std::uint8_t> Signature;  // Signed
  std::string Reason;                   // Failed, NotPossible: a short human text
};

// 00 88 00 00 08 <challenge> 00: INTERNAL AUTHENTICATE, Le 256; extended,
// 00 88 00 00 00 00 08 <challenge> 00 00, for an answer longer than a short one.
TCommandApdu BuildInternalAuthenticate(const TAaChallenge& challenge, bool extended = false);

// How an answer of signatureLength bytes comes back through messaging.
struct TAnswerFit {
  bool Fits = false;
  bool Extended = false;  // only in an extended response
  std::string Reason;     // why it cannot come back, when it does not fit
};
// A short response carries the protected answer within 256 data bytes and,
// with its status word, within the link's response capacity
// (kResponseCapacity); a longer one needs extended length on both reader and
// chip (lengths). what names the signature in the reason ("RSA-2048
// signature"; empty: "a <n>-byte signature").
TAnswerFit FitAnswer(const TSecureChannel& messaging, std::size_t signatureLength, const TLengthLimits& lengths = {},
                     std::string_view what = {});

// Sends INTERNAL AUTHENTICATE with a challenge from the random source in use
// through the session's secure messaging. signatureLength (DG15's key)
// decides beforehand whether the answer can come back, in a short response
// or, where reader and chip have it, an extended one; when it cannot,
// nothing is sent (NotPossible). Logs nothing itself; a protected answer the
// secure messaging rejects as unsafe logs its "Hata #n" line.
TInternalAuthenticateResult PerformInternalAuthenticate(TCardSession& session, std::size_t signatureLength,
                                                        std::string_view what = {});
