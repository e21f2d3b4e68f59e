// RAND_set_rand_method is deprecated in OpenSSL 3 but still routes
// RAND_bytes and RAND_priv_bytes (and so BN_rand and key generation) to the
// method given, which is what a fixed stream needs.
#define OPENSSL_SUPPRESS_DEPRECATED

#include "tools/pacechip/SeededRandomness.h"

#include <algorithm>
#include <array>

#include <openssl/rand.h>
#include <openssl/sha.h>

namespace pacechip {

namespace {

std::uint64_t seed_ = 0;
std::uint64_t counter_ = 0;

int SeededBytes(unsigned char* out, int count) {
  while (count > 0) {
    std::array<unsigned char, 16> input{};
    for (int i = 0; i < 8; ++i) {
      input[static_cast<std::size_t>(i)] = static_cast<unsigned char>(seed_ >> (8 * i));
      input[static_cast<std::size_t>(8 + i)] = static_cast<unsigned char>(counter_ >> (8 * i));
    }
    ++counter_;
    std::array<unsigned char, SHA256_DIGEST_LENGTH> block{};
    SHA256(input.data(), input.size(), block.data());
    const int take = std::min<int>(count, static_cast<int>(block.size()));
    std::copy_n(block.begin(), take, out);
    out += take;
    count -= take;
  }
  return 1;
}
int Status() { return 1; }

RAND_METHOD kSeededMethod{nullptr, SeededBytes, nullptr, nullptr, SeededBytes, Status};

}  // namespace

void UseSeededRandomness(std::uint64_t seed) {
  seed_ = seed;
  counter_ = 0;
  RAND_set_rand_method(&kSeededMethod);
}

void UseSystemRandomness() { RAND_set_rand_method(nullptr); }

}  // namespace pacechip
