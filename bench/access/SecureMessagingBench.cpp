// Secure messaging per command: building a protected READ BINARY of 100 bytes
// and checking and deciphering the chip's answer to it, against the floor, the
// same number of DES block operations done by libcrypto's raw DES in one loop
// under one key schedule.
//
// The DES block operations one such command needs:
//   command MAC   SSC || 0C B0 P1 P2 80 00 00 00 || 97 01 64 = 19 bytes, padded
//                 to 3 blocks: 2 DES + 3 for the last block (E, D, E)   =  5
//   answer MAC    SSC || DO'87' (108 bytes) || DO'99' (4) = 120 bytes, padded
//                 to 16 blocks: 15 DES + 3                              = 18
//   decipherment  104 bytes of cryptogram, 13 triple-DES blocks         = 39
//                                                                         62
// Both sides are timed on the thread's CPU clock, in batches.

#define OPENSSL_SUPPRESS_DEPRECATED  // the raw DES block function is the floor
#include <openssl/des.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <stdexcept>

#include "bench/support/SideBySide.h"
#include "card/messaging/SecureCommands.h"
#include "card/messaging/SecureResponses.h"
#include "crypto/MrtdContext.h"
#include "reader/ApduExchange.h"
#include "tools/simchip/SecureChannel.h"

namespace {

constexpr std::uint16_t kOffset = 0x0164;
constexpr std::uint16_t kPieceLength = 100;
constexpr int kBatch = 64;

// Session keys and counter of the ICAO 9303 worked example.
constexpr t128Bit kSessionEnc{0x97, 0x9E, 0xC1, 0x3B, 0x1C, 0xBF, 0xE9, 0xDC,
                              0xD0, 0x1A, 0xB0, 0xFE, 0xD3, 0x07, 0xEA, 0xE5};
constexpr t128Bit kSessionMac{0xF1, 0xCB, 0x1F, 0x1F, 0xB5, 0xAD, 0xF2, 0x08,
                              0x80, 0x6B, 0x89, 0xDC, 0x57, 0x9D, 0xC1, 0xF8};
constexpr t64Bit kCounter{0x88, 0x70, 0x22, 0x12, 0x0C, 0x06, 0xC2, 0x26};

constexpr std::size_t kBlock = 8;
constexpr std::size_t PaddedBlocks(std::size_t length) { return length / kBlock + 1; }
// Retail MAC: single DES on all blocks but the last, triple DES on the last.
constexpr std::size_t MacOperations(std::size_t message) { return PaddedBlocks(message) - 1 + 3; }

constexpr std::size_t kCommandMacMessage = 8 + 8 + 3;
constexpr std::size_t kCryptogram = (kPieceLength / kBlock + 1) * kBlock;
constexpr std::size_t kAnswerMacMessage = 8 + (4 + kCryptogram) + 4;
constexpr std::size_t kDesOperations =
    MacOperations(kCommandMacMessage) + MacOperations(kAnswerMacMessage) + 3 * (kCryptogram / kBlock);
static_assert(kDesOperations == 62);

// The chip's answer to the command built under kCounter: 100 data bytes,
// protected by the simulated chip's own secure messaging (counter + 2).
simchip::TBytes ChipAnswer() {
  simchip::TKeyPair keys;
  std::ranges::copy(kSessionEnc, keys.Enc.begin());
  std::ranges::copy(kSessionMac, keys.Mac.begin());
  simchip::TBlock counter{};
  std::ranges::copy(kCounter, counter.begin());
  simchip::Increment(counter);  // the command's MAC
  simchip::TSecureChannel channel(keys, counter);
  std::array<std::uint8_t, kPieceLength> data{};
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7 + 1);
  return channel.Wrap(data, 0x9000);
}

void SecureReadBinary(benchmark::State& state) {
  tMRTD_CTX ctx;
  ctx.BacEnabled = true;
  ctx.encK = kSessionEnc;
  ctx.macK = kSessionMac;
  const simchip::TBytes answer = ChipAnswer();
  std::array<std::uint8_t, 256> plaintext{};
  std::size_t plaintextLength = 0;
  bool allOk = true;

  const auto subject = [&] {
    ctx.SSC = kCounter;
    benchmark::DoNotOptimize(BuildSecureReadBinary(ctx, kOffset, kPieceLength));
    allOk &= UnwrapReadResponse(ctx, answer, plaintext, plaintextLength) == TUnwrapResult::Ok;
    benchmark::DoNotOptimize(plaintext.data());
  };

  DES_cblock rawKey{0x97, 0x9E, 0xC1, 0x3B, 0x1C, 0xBF, 0xE9, 0xDC};
  DES_key_schedule schedule;
  DES_set_key_unchecked(&rawKey, &schedule);
  DES_cblock block{};
  const auto floor = [&] {
    for (std::size_t i = 0; i < kDesOperations; ++i) DES_ecb_encrypt(&block, &block, &schedule, DES_ENCRYPT);
    benchmark::DoNotOptimize(block);
  };

  bench::SideBySide(state, bench::TClock::ThreadCpu, kBatch, subject, floor);
  if (!allOk || plaintextLength != kPieceLength) state.SkipWithError("the answer was not accepted");
  state.counters["des_ops"] = benchmark::Counter(static_cast<double>(kDesOperations));
}

double Least(const std::vector<double>& values) { return *std::min_element(values.begin(), values.end()); }

}  // namespace

BENCHMARK(SecureReadBinary)
    ->UseManualTime()
    ->Iterations(1000)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", Least);

BENCHMARK_MAIN();
