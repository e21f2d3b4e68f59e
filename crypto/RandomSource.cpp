#include "crypto/RandomSource.h"

#include <climits>
#include <stdexcept>

#include <openssl/rand.h>

namespace {

class TOpenSslRandomSource final : public TRandomSource {
public:
  void Fill(std::span<std::uint8_t> bytes) override {
    if (bytes.empty()) return;
    // Never go on with bytes that are not random: the nonce and key material
    // of the authentication depend on them.
    if (bytes.size() > INT_MAX || RAND_bytes(bytes.data(), static_cast<int>(bytes.size())) != 1)
      throw std::runtime_error("The random generator failed");
  }
};

TRandomSource* currentSource = nullptr;

}  // namespace

TRandomSource& SystemRandomSource() {
  static TOpenSslRandomSource source;
  return source;
}

TRandomSource& RandomSource() { return currentSource ? *currentSource : SystemRandomSource(); }

void SetRandomSource(TRandomSource* source) { currentSource = source; }

void RandomBytes(std::span<std::uint8_t> bytes) { RandomSource().Fill(bytes); }
