#pragma once
// Whether the chip's answer to INTERNAL AUTHENTICATE is its signature over
// the challenge under DG15's key: ISO/IEC 9796-2 for RSA, plain ECDSA for EC.

#include <cstdint>
#include <span>
#include <string_view>

#include "activeauth/ActiveAuthResult.h"
#include "activeauth/InternalAuthenticate.h"
#include "document/DG15.h"

// Verifies signature over challenge with DG15's key. algorithmOid is the
// signature algorithm of DG14's ActiveAuthenticationInfo as a dotted OID
// (empty when there is none); only ECDSA uses it, RSA's trailer names its hash.
TAaResult VerifyActiveAuthentication(const TDG15File& dg15, std::span<const std::uint8_t> signature,
                                     std::span<const std::uint8_t> challenge, std::string_view algorithmOid);

// The verdict on one INTERNAL AUTHENTICATE exchange: its failure or
// impossibility as it is, or the verification of the signature it brought.
TAaResult JudgeInternalAuthenticate(const TDG15File& dg15, const TInternalAuthenticateResult& exchange,
                                    std::string_view algorithmOid);
