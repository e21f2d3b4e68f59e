#pragma once
// Opening the document: EF.CardAccess, PACE when the chip offers it, else the
// eMRTD application selected and Basic Access Control when the chip demands
// it, then EF.COM read whole.

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "card/SecureChannel.h"
#include "crypto/MrtdContext.h"

using TEFComBuffer = std::array<std::uint8_t, 256>;

// Reads EF.CardAccess; runs PACE when it lists PACE, then selects the eMRTD
// application and EF.COM under secure messaging. Otherwise (or when the chip
// turns PACE down as unsupported) selects the application and runs BAC when
// the chip demands it. Reads EF.COM whole into efCom (zero-filled by the
// caller). Logs every failure. Returns the channel the data groups are read
// through: PACE's secure messaging; plain for a chip that never asked for
// BAC; BAC's (on ctx) for one that did, whether BAC succeeded or not, and
// after a failed PACE (keyless, so no data is taken).
std::unique_ptr<TSecureChannel> OpenDocument(const std::string& mrzInformation, TEFComBuffer& efCom, tMRTD_CTX& ctx);
