#include "trust/ActiveAuthentication.h"

#include <optional>

#include "access/InternalAuthenticate.h"
#include "lds/DG15.h"
#include "trust/ActiveAuthenticationCheck.h"

TAaResult PerformActiveAuthentication(std::span<const std::uint8_t> dg15, TSecureChannel& channel,
                                      std::string_view algorithmOid) {
  if (dg15.empty()) return {TAaVerdict::NotSupported, {}};
  const std::optional<TDG15File> key = DecodeDG15(dg15);
  if (!key) return {TAaVerdict::NotPossible, "no RSA or EC key in DG15"};
  return JudgeInternalAuthenticate(*key, PerformInternalAuthenticate(channel, key->SignatureLength), algorithmOid);
}
