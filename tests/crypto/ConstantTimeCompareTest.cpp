// MACs and nonces from the chip are compared in constant time: SameBytes goes
// through OpenSSL's CRYPTO_memcmp. This binary defines CRYPTO_memcmp itself,
// counting the calls and handing them on to libcrypto's.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstddef>
#include <string>
#include <vector>

#include "crypto/ByteOperations.h"
#include "support/Hex.h"

namespace {

int memcmpCalls = 0;

}  // namespace

extern "C" int CRYPTO_memcmp(const void* a, const void* b, std::size_t length) {
  ++memcmpCalls;
  using TMemcmp = int (*)(const void*, const void*, std::size_t);
  static const auto real = reinterpret_cast<TMemcmp>(dlsym(RTLD_NEXT, "CRYPTO_memcmp"));
  return real(a, b, length);
}

namespace {

TEST(SameBytes, ComparesEqualLengthsInConstantTime) {
  struct TCase {
    std::string A, B;
    bool Same;
    int Calls;
  };
  const std::vector<TCase> cases{
      {"5F1486B5F6D8F4C2", "5F1486B5F6D8F4C2", true, 1},
      {"5F1486B5F6D8F4C2", "5F1486B5F6D8F4C3", false, 1},
      {"5F1486B5F6D8F4C2", "DF1486B5F6D8F4C2", false, 1},
      {"5F1486B5F6D8F4C2", "5F1486B5F6D8F4", false, 0},  // lengths differ: nothing to compare
      {"", "", true, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.A + " / " + c.B);
    memcmpCalls = 0;
    EXPECT_EQ(SameBytes(Hex(c.A), Hex(c.B)), c.Same);
    EXPECT_EQ(memcmpCalls, c.Calls);
  }
}

}  // namespace
