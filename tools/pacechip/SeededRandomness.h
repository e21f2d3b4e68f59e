#pragma once
// Makes libcrypto's random bytes in this process a fixed stream from a seed
// (SHA-256 of seed and counter), so that OpenPACE's chip side draws the same
// nonce and keys every run. For the virtual passport's deterministic DH runs
// only: never in the program.

#include <cstdint>

namespace pacechip {

void UseSeededRandomness(std::uint64_t seed);
// libcrypto's own random bytes again.
void UseSystemRandomness();

}  // namespace pacechip
