#include "activeauth/InternalAuthenticate.h"

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

TCommandApdu BuildInternalAuthenticate(const TAaChallenge& challenge) {
  return {
      0x00, kInsInternalAuthenticate, 0x00, 0x00, TApduBytes(challenge.begin(), challenge.end()), kShortAnswerMaxData};
}

std::string AnswerDoesNotFit(const TSecureChannel& messaging, std::size_t signatureLength) {
  const std::size_t answer = messaging.AnswerLength(signatureLength);
  if (answer <= kShortAnswerMaxData && answer + kStatusWordLength <= kResponseCapacity) return {};
  return FormatMessage("a %d-byte answer does not fit a short APDU of this reader", {static_cast<long long>(answer)});
}

TInternalAuthenticateResult PerformInternalAuthenticate(TCardSession& session, std::size_t signatureLength) {
  if (std::string reason = AnswerDoesNotFit(session.Messaging(), signatureLength); !reason.empty())
    return {TInternalAuthenticateOutcome::NotPossible, {}, {}, std::move(reason)};

  TAaChallenge challenge{};
  RandomBytes(challenge);
  std::vector<std::uint8_t> plaintext(kApduBufferSize);
  TCardAnswer answer =
      session.Transmit(BuildInternalAuthenticate(challenge), {.Form = TAnswerForm::Data, .Plaintext = plaintext});
  if (answer.Error == TCardError::LinkLost) return Failure(challenge, "connection error");
  if (answer.Status() != kSwSuccess && answer.Taken())
    return Failure(challenge, "INTERNAL AUTHENTICATE refused, status " + HexText4(answer.Status()));
  if (!answer.Taken()) return Failure(challenge, UnwrapReason(answer.Error));
  return {TInternalAuthenticateOutcome::Signed, challenge, std::move(answer.Response.Data), {}};
}
