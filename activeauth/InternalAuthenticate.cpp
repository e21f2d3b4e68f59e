#include "activeauth/InternalAuthenticate.h"

#include <vector>

#include "card/CardExchange.h"
#include "crypto/RandomSource.h"
#include "output/MessageFormat.h"
#include "reader/ApduExchange.h"

namespace {

constexpr std::size_t kStatusWordLength = 2;

// The reasons of a failed exchange, by what the channel made of the answer.
struct TUnwrapReason {
  TUnwrapResult Result;
  const char* Reason;
};
constexpr TUnwrapReason kUnwrapReasons[] = {
    {TUnwrapResult::TooShort, "answer too short"},
    {TUnwrapResult::WrongMac, "wrong MAC in the chip's answer"},
    {TUnwrapResult::Rejected, "unreadable answer"},
};

std::string UnwrapReason(TUnwrapResult result) {
  for (const TUnwrapReason& entry : kUnwrapReasons)
    if (entry.Result == result) return entry.Reason;
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

std::string AnswerDoesNotFit(const TSecureChannel& channel, std::size_t signatureLength) {
  const std::size_t answer = channel.AnswerLength(signatureLength);
  if (answer <= kShortAnswerMaxData && answer + kStatusWordLength <= kResponseCapacity) return {};
  return FormatMessage("a %d-byte answer does not fit a short APDU of this reader", {static_cast<long long>(answer)});
}

TInternalAuthenticateResult PerformInternalAuthenticate(TSecureChannel& channel, std::size_t signatureLength) {
  if (std::string reason = AnswerDoesNotFit(channel, signatureLength); !reason.empty())
    return {TInternalAuthenticateOutcome::NotPossible, {}, {}, std::move(reason)};

  TAaChallenge challenge{};
  RandomBytes(challenge);
  if (ExchangeApdu(channel.Protect(BuildInternalAuthenticate(challenge))) != 0)
    return Failure(challenge, "connection error");

  const std::span<const std::uint8_t> answer = ResponseBytes();
  const std::uint16_t status = GetStatusWord(answer);
  if (status != kSwSuccess) {
    if (!channel.RefusalIntact(answer)) return Failure(challenge, UnwrapReason(TUnwrapResult::WrongMac));
    return Failure(challenge, "INTERNAL AUTHENTICATE refused, status " + HexText4(status));
  }

  std::vector<std::uint8_t> plaintext(kApduBufferSize);
  std::size_t length = 0;
  const TUnwrapResult opened = channel.OpenDataAnswer(answer, plaintext, length);
  if (opened != TUnwrapResult::Ok) return Failure(challenge, UnwrapReason(opened));
  plaintext.resize(length);
  return {TInternalAuthenticateOutcome::Signed, challenge, std::move(plaintext), {}};
}
