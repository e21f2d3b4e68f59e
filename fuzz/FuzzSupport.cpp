#include "fuzz/FuzzSupport.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "card/CardExchange.h"
#include "tools/simchip/CardCrypto.h"

namespace {

// Keys and counter of the ICAO 9303 part 11 worked example.
constexpr t128Bit kSessionEncKey{0x97, 0x9E, 0xC1, 0x3B, 0x1C, 0xBF, 0xE9, 0xDC,
                                 0xD0, 0x1A, 0xB0, 0xFE, 0xD3, 0x07, 0xEA, 0xE5};
constexpr t128Bit kSessionMacKey{0xF1, 0xCB, 0x1F, 0x1F, 0xB5, 0xAD, 0xF2, 0x08,
                                 0x80, 0x6B, 0x89, 0xDC, 0x57, 0x9D, 0xC1, 0xF8};
constexpr t64Bit kSessionCounter{0x88, 0x70, 0x22, 0x12, 0x0C, 0x06, 0xC2, 0x26};

constexpr std::array<std::string_view, 3> kExpectedFailures{
    "Stream read error",
    "Unknown JPEG 2000 file type",
    "JPEG 2000 image decoding failed",
};

}  // namespace

tMRTD_CTX LiveSession() {
  tMRTD_CTX session;
  session.BacEnabled = true;
  session.encK = kSessionEncKey;
  session.macK = kSessionMacKey;
  session.SSC = kSessionCounter;
  return session;
}

std::span<const std::uint8_t> AsReceived(std::span<const std::uint8_t> answer) {
  return answer.first(std::min<std::size_t>(answer.size(), kResponseCapacity));
}

t64Bit ChipMac(const tMRTD_CTX& session, std::span<const std::uint8_t> data) {
  simchip::TBlock counter = session.SSC;
  simchip::Increment(counter);
  simchip::TBytes message(counter.begin(), counter.end());
  message.insert(message.end(), data.begin(), data.end());
  return simchip::RetailMac(session.macK, message);
}

bool IsExpectedFailure(const std::exception& error) {
  return std::ranges::find(kExpectedFailures, std::string_view(error.what())) != kExpectedFailures.end();
}

void Finding(const char* what) {
  std::fprintf(stderr, "FINDING: %s\n", what);
  std::abort();
}
