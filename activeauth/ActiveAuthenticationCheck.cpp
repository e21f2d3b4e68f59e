#include "activeauth/ActiveAuthenticationCheck.h"

#include <openssl/err.h>

#include "activeauth/EcdsaPlainSignature.h"
#include "activeauth/Iso9796Signature.h"

TAaResult VerifyActiveAuthentication(const TDG15File& dg15, std::span<const std::uint8_t> signature,
                                     std::span<const std::uint8_t> challenge, std::string_view algorithmOid) {
  if (!dg15.Key) return {TAaVerdict::NotPossible, "no key in DG15"};
  const TAaResult result = dg15.Kind == TAaKeyKind::Rsa
                               ? VerifyIso9796Signature(*dg15.Key, signature, challenge)
                               : VerifyEcdsaPlainSignature(*dg15.Key, dg15.KeyBits, signature, challenge, algorithmOid);
  // What libcrypto queued while refusing a bad signature concerns nobody after this.
  ERR_clear_error();
  return result;
}

TAaResult JudgeInternalAuthenticate(const TDG15File& dg15, const TInternalAuthenticateResult& exchange,
                                    std::string_view algorithmOid) {
  switch (exchange.Outcome) {
    case TInternalAuthenticateOutcome::NotPossible:
      return {TAaVerdict::NotPossible, exchange.Reason};
    case TInternalAuthenticateOutcome::Failed:
      return {TAaVerdict::Failed, exchange.Reason};
    case TInternalAuthenticateOutcome::Signed:
      break;
  }
  return VerifyActiveAuthentication(dg15, exchange.Signature, exchange.Challenge, algorithmOid);
}
