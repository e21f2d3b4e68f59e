#include "activeauth/InternalAuthenticate.h"

#include <algorithm>
#include <vector>

#include "card/CardExchange.h"
#include "crypto/RandomSource.h"
#include "output/MessageFormat.h"
#include "reader/ApduExchange.h"

namespace {

constexpr std::size_t kStatusWordLength = 2;

// The reasons of a failed exchange, by what the secure messaging made of the answer.
struct TUnwrapReason {
  TCardError Error;
  const char* Reason;
};
constexpr TUnwrapReason kUnwrapReasons[] = {
    {TCardError::TooShort, "answer too short"},
    {TCardError::WrongMac, "wrong MAC in the chip's answer"},
    {TCardError::Rejected, "unreadable answer"},
};

std::string UnwrapReason(TCardError error) {
  for (const TUnwrapReason& entry : kUnwrapReasons)
    if (entry.Error == error) return entry.Reason;
  return "unreadable answer";
}

TInternalAuthenticateResult Failure(const TAaChallenge& challenge, std::string reason) {
  return {TInternalAuthenticateOutcome::Failed, challenge, {}, std::move(reason)};
}

}  // namespace

TCommandApdu BuildInternalAuthenticate(const TAaChallenge& challenge, bool extended) {
  return {0x00,
          kInsInternalAuthenticate,
          0x00,
          0x00,
          TApduBytes(challenge.begin(), challenge.end()),
          extended ? kExtendedMaxAnswerData : kShortAnswerMaxData,
          extended};
}

TAnswerFit FitAnswer(const TSecureChannel& messaging, std::size_t signatureLength, const TLengthLimits& lengths,
                     std::string_view what) {
  const std::size_t answer = messaging.AnswerLength(signatureLength);
  if (answer <= kShortAnswerMaxData && answer + kStatusWordLength <= kResponseCapacity) return {true, false, {}};
  // Beyond the short response (the link's 255 bytes included) only extended length on both sides helps.
  if (lengths.Extended() && lengths.Carries(kAaChallengeLength, answer)) return {true, true, {}};
  const std::string named = what.empty()
                                ? FormatMessage("a %d-byte signature", {static_cast<long long>(signatureLength)})
                                : std::string(what);
  if (const std::string shortOnly = lengths.ShortOnly(); !shortOnly.empty())
    return {false, false, named + " needs extended-length APDUs; " + shortOnly};
  return {false, false,
          FormatMessage("a %d-byte answer is longer than reader and chip take", {static_cast<long long>(answer)})};
}

TInternalAuthenticateResult PerformInternalAuthenticate(TCardSession& session, std::size_t signatureLength,
                                                        std::string_view what) {
  TAnswerFit fit = FitAnswer(session.Messaging(), signatureLength, session.Lengths(), what);
  if (!fit.Fits) return {TInternalAuthenticateOutcome::NotPossible, {}, {}, std::move(fit.Reason)};

  TAaChallenge challenge{};
  RandomBytes(challenge);
  std::vector<std::uint8_t> plaintext(std::max(kApduBufferSize, session.Messaging().AnswerLength(signatureLength)));
  TCardAnswer answer = session.Transmit(BuildInternalAuthenticate(challenge, fit.Extended),
                                        {.Form = TAnswerForm::Data, .Plaintext = plaintext});
  if (answer.Error == TCardError::LinkLost) return Failure(challenge, "connection error");
  if (answer.Status() != kSwSuccess && answer.Taken())
    return Failure(challenge, "INTERNAL AUTHENTICATE refused, status " + HexText4(answer.Status()));
  if (!answer.Taken()) return Failure(challenge, UnwrapReason(answer.Error));
  return {TInternalAuthenticateOutcome::Signed, challenge, std::move(answer.Response.Data), {}};
}
