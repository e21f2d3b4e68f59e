#include "activeauth/ActiveAuthentication.h"

#include <optional>
#include <string>

#include "activeauth/ActiveAuthenticationCheck.h"
#include "activeauth/InternalAuthenticate.h"
#include "document/DG15.h"

TAaResult PerformActiveAuthentication(std::span<const std::uint8_t> dg15, TCardSession& session,
                                      std::string_view algorithmOid) {
  if (dg15.empty()) return {TAaVerdict::NotSupported, {}};
  const std::optional<TDG15File> key = DecodeDG15(dg15);
  if (!key) return {TAaVerdict::NotPossible, "no RSA or EC key in DG15"};
  // Only RSA signatures can outgrow a short answer; the log names them by their key.
  const std::string what = key->Kind == TAaKeyKind::Rsa ? "RSA-" + std::to_string(key->KeyBits) + " signature" : "";
  return JudgeInternalAuthenticate(*key, PerformInternalAuthenticate(session, key->SignatureLength, what),
                                   algorithmOid);
}
