// The check of the chip's answer to INTERNAL AUTHENTICATE. The first input
// byte chooses what the rest is:
//   0: a recovered ISO/IEC 9796-2 representative (CheckRecoveredMessage);
//   1: a signature under the recorded passport's RSA-1792 key;
//   2: a plain ECDSA signature under a P-256 key;
//   3: the whole answer of a chip without secure messaging (signature and
//      status word), through the exchange, judged with the RSA key.
// The challenge is the recorded one throughout.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "activeauth/ActiveAuthenticationCheck.h"
#include "activeauth/Iso9796Signature.h"
#include "card/CardSession.h"
#include "document/DG15.h"
#include "fuzz/FuzzSupport.h"
#include "reader/ApduExchange.h"
#include "reader/PcscApi.h"
#include "support/Hex.h"
#include "support/RecordedActiveAuthentication.h"
#include "support/ScriptedCard.h"

namespace {

const TDG15File& DecodedKey(std::string_view dg15) {
  static const std::optional<TDG15File> rsa = DecodeDG15(Hex(kRecordedDg15));
  static const std::optional<TDG15File> ec = DecodeDG15(Hex(kP256Dg15));
  const std::optional<TDG15File>& key = dg15 == kRecordedDg15 ? rsa : ec;
  if (!key) Finding("the fuzz target's own key did not decode");
  return *key;
}

void CheckResult(const TAaResult& result) {
  if (result.Verdict != TAaVerdict::Passed && result.Reason.empty()) Finding("a verdict without reason");
  if (result.Verdict == TAaVerdict::NotSupported) Finding("not supported with a key");
}

// The answer as a chip without secure messaging gives it; the challenge the
// exchange drew is replaced by the recorded one before the judgement.
TAaResult AnswerThroughExchange(std::span<const std::uint8_t> answer, const TBytes& challenge) {
  static TScriptedCard card;
  ResetReaderLink();
  SetPcscApi(&card);
  card.Recording = false;
  card.Script = {{TBytes(answer.begin(), answer.end())}};
  card.Rewind();
  tMRTD_CTX record{};
  TCardSession session(record);
  const TDG15File& key = DecodedKey(kRecordedDg15);
  TInternalAuthenticateResult exchange = PerformInternalAuthenticate(session, key.SignatureLength);
  SetPcscApi(nullptr);
  std::copy(challenge.begin(), challenge.end(), exchange.Challenge.begin());
  return JudgeInternalAuthenticate(key, exchange, "");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  static const TBytes challenge = Hex(kRecordedChallenge);
  const std::span<const std::uint8_t> rest(data + 1, size - 1);
  switch (data[0] % 4) {
    case 0: {
      const TAaResult result = CheckRecoveredMessage(rest, challenge);
      if (result.Verdict != TAaVerdict::Passed && result.Verdict != TAaVerdict::Failed) Finding("odd verdict");
      CheckResult(result);
      break;
    }
    case 1:
      CheckResult(VerifyActiveAuthentication(DecodedKey(kRecordedDg15), rest, challenge, ""));
      break;
    case 2:
      CheckResult(VerifyActiveAuthentication(DecodedKey(kP256Dg15), rest, challenge, "0.4.0.127.0.7.1.1.4.1.3"));
      break;
    default:
      CheckResult(AnswerThroughExchange(rest, challenge));
      break;
  }
  return 0;
}
