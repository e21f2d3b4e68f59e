// Active Authentication's verification of the chip's signature against its
// floor, libcrypto's own work for the same signature. Both on the thread's
// CPU clock, in batches, side by side.
//
//   RecordedRsa1792  the recorded passport's signature (RSA-1792, ISO/IEC
//                    9796-2 with SHA-256) with its DG15 key, as decoded from
//                    DG15, against one raw RSA public operation
//                    (EVP_PKEY_verify_recover without padding, its context
//                    made once)
//   EcdsaP256        a plain ECDSA signature (P-256, SHA-256) made here,
//                    against one EVP_DigestVerify of the same signature in DER
#include <benchmark/benchmark.h>

#include <algorithm>
#include <optional>
#include <vector>

#include <openssl/bn.h>
#include <openssl/ecdsa.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include "activeauth/ActiveAuthenticationCheck.h"
#include "bench/support/SideBySide.h"
#include "document/DG15.h"
#include "support/Hex.h"
#include "support/RecordedActiveAuthentication.h"
#include "support/TestPki.h"

namespace {

constexpr int kBatch = 20;
constexpr const char* kEcdsaPlainSha256 = "0.4.0.127.0.7.1.1.4.1.3";

void MeasureVerification(benchmark::State& state, const TDG15File& dg15, const TBytes& signature,
                         const TBytes& challenge, const char* algorithm, auto&& floor) {
  bool allPassed = true;
  const auto subject = [&] {
    const TAaResult result = VerifyActiveAuthentication(dg15, signature, challenge, algorithm);
    allPassed &= result.Verdict == TAaVerdict::Passed;
    benchmark::DoNotOptimize(result.Reason.data());
  };
  bench::SideBySide(state, bench::TClock::ThreadCpu, kBatch, subject, floor);
  if (!allPassed) state.SkipWithError("the signature did not verify");
}

void RecordedRsa1792(benchmark::State& state) {
  const std::optional<TDG15File> dg15 = DecodeDG15(Hex(kRecordedDg15));
  const TBytes signature = Hex(kRecordedSignature);
  EVP_PKEY_CTX* context = EVP_PKEY_CTX_new(dg15->Key.get(), nullptr);
  EVP_PKEY_verify_recover_init(context);
  EVP_PKEY_CTX_set_rsa_padding(context, RSA_NO_PADDING);
  std::vector<unsigned char> raised(static_cast<std::size_t>(EVP_PKEY_get_size(dg15->Key.get())));
  bool floorDone = true;
  const auto floor = [&] {
    std::size_t length = raised.size();
    floorDone &= EVP_PKEY_verify_recover(context, raised.data(), &length, signature.data(), signature.size()) == 1;
    benchmark::DoNotOptimize(raised.data());
  };
  MeasureVerification(state, *dg15, signature, Hex(kRecordedChallenge), "", floor);
  EVP_PKEY_CTX_free(context);
  if (!floorDone) state.SkipWithError("the raw RSA operation failed");
}

void EcdsaP256(benchmark::State& state) {
  const TEvpPkeyPtr key = testpki::NewEcKey("P-256");
  const TBytes challenge = Hex("0011223344556677");
  EVP_MD_CTX* signing = EVP_MD_CTX_new();
  std::size_t length = 0;
  EVP_DigestSignInit(signing, nullptr, EVP_sha256(), nullptr, key.get());
  EVP_DigestSign(signing, nullptr, &length, challenge.data(), challenge.size());
  TBytes der(length);
  EVP_DigestSign(signing, der.data(), &length, challenge.data(), challenge.size());
  EVP_MD_CTX_free(signing);
  der.resize(length);
  const unsigned char* cursor = der.data();
  ECDSA_SIG* parsed = d2i_ECDSA_SIG(nullptr, &cursor, static_cast<long>(der.size()));
  TBytes plain(64);
  BN_bn2binpad(ECDSA_SIG_get0_r(parsed), plain.data(), 32);
  BN_bn2binpad(ECDSA_SIG_get0_s(parsed), plain.data() + 32, 32);
  ECDSA_SIG_free(parsed);

  unsigned char* spki = nullptr;
  const int spkiLength = i2d_PUBKEY(key.get(), &spki);
  TBytes dg15Bytes{0x6F, static_cast<std::uint8_t>(spkiLength)};
  dg15Bytes.insert(dg15Bytes.end(), spki, spki + spkiLength);
  OPENSSL_free(spki);
  const std::optional<TDG15File> dg15 = DecodeDG15(dg15Bytes);

  bool floorDone = true;
  const auto floor = [&] {
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    floorDone &= EVP_DigestVerifyInit(context, nullptr, EVP_sha256(), nullptr, key.get()) == 1 &&
                 EVP_DigestVerify(context, der.data(), der.size(), challenge.data(), challenge.size()) == 1;
    EVP_MD_CTX_free(context);
  };
  MeasureVerification(state, *dg15, plain, challenge, kEcdsaPlainSha256, floor);
  if (!floorDone) state.SkipWithError("the raw ECDSA verification failed");
}

double Least(const std::vector<double>& values) { return *std::min_element(values.begin(), values.end()); }

}  // namespace

BENCHMARK(RecordedRsa1792)
    ->UseManualTime()
    ->Iterations(1000)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", Least);
BENCHMARK(EcdsaP256)->UseManualTime()->Iterations(300)->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", Least);

BENCHMARK_MAIN();
