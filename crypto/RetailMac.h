#pragma once
// ISO/IEC 9797-1 MAC algorithm 3 (the retail MAC) with DES, padding method 2
// and a full 8-byte result, under the session's MAC key, with the send
// sequence counter in front of the data. An all-zero counter stands for "no
// counter": it is then neither advanced nor used, unless the session counts
// from zero (CounterFromZero, secure messaging after PACE).

#include <cstddef>
#include <cstdint>
#include <span>

#include "crypto/MrtdContext.h"

// Advances SSC first when it is not all zero and MACs SSC || data; with an
// all-zero SSC it MACs data alone, of any length (an extended answer's MAC
// input passes 255 bytes).
t64Bit ComputeMac(tMRTD_CTX& ctx, std::span<const std::uint8_t> data);
