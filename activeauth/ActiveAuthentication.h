#pragma once
// Active Authentication of the chip in one reading: DG15's key, INTERNAL
// AUTHENTICATE through the card session, the signature checked. The
// caller logs ActiveAuthenticationLine(result).

#include <cstdint>
#include <span>
#include <string_view>

#include "activeauth/ActiveAuthResult.h"
#include "card/CardSession.h"

// dg15 is the data group as read (empty when the chip has none: NotSupported,
// nothing sent). A DG15 without a usable RSA or EC key, or a key whose
// answer cannot come back through this reader, gives NotPossible without a
// command. algorithmOid as for VerifyActiveAuthentication.
TAaResult PerformActiveAuthentication(std::span<const std::uint8_t> dg15, TCardSession& session,
                                      std::string_view algorithmOid);
