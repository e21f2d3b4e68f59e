#include "crypto/ByteOperations.h"

#include <openssl/crypto.h>

#include <algorithm>

bool SameBytes(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
  // MACs and nonces are compared in constant time: how long the comparison
  // takes must not tell how many leading bytes matched.
  if (a.size() != b.size()) return false;
  return a.empty() || CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}

void XorBytes(std::span<std::uint8_t> destination, std::span<const std::uint8_t> source) {
  const std::size_t count = std::min(destination.size(), source.size());
  for (std::size_t i = 0; i < count; ++i) destination[i] ^= source[i];
}

void IncrementCounter(std::span<std::uint8_t> counter) {
  for (auto byte = counter.rbegin(); byte != counter.rend(); ++byte) {
    if (*byte != 0xFF) {
      ++*byte;
      return;
    }
    *byte = 0x00;
  }
}

bool AllZero(std::span<const std::uint8_t> bytes) {
  return std::ranges::all_of(bytes, [](std::uint8_t b) { return b == 0; });
}
