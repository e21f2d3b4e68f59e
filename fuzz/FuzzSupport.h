#pragma once
// What the fuzz targets share: a session as Basic Access Control leaves it,
// an answer cut to what the exchange receives, the MAC a chip
// would put on it, and the errors a hostile input may rightly end in.

#include <cstddef>
#include <cstdint>
#include <exception>
#include <span>

#include "crypto/MrtdContext.h"

// Secure messaging on, with fixed session keys and counter.
tMRTD_CTX LiveSession();

// The answer as the program receives it: at most the 255 bytes it grants.
std::span<const std::uint8_t> AsReceived(std::span<const std::uint8_t> answer);

// The MAC the chip would compute over data for the session's next counter
// value (the session is left as it is).
t64Bit ChipMac(const tMRTD_CTX& session, std::span<const std::uint8_t> data);

// The texts an input may end in: the stream's read error and the two errors
// of the JPEG 2000 bitmap, as the read command lets them reach the window.
bool IsExpectedFailure(const std::exception& error);

// Stops the run with a message: the finding.
[[noreturn]] void Finding(const char* what);
