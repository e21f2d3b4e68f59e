// Chip Authentication's cost beside what libcrypto needs at the least: the
// terminal's whole CA (the chip's key decoded, explicit parameters compared
// with the known curves, the ephemeral key pair, the shared secret, the KDF,
// MSE:Set AT and GENERAL AUTHENTICATE or MSE:Set KAT under the old secure
// messaging, the SELECT that proves the new keys), the chip's answers played
// back from two recorded passports (tests/support/data/chipauth-vectors.txt;
// Austria: brainpoolP256r1, AES-128 before and after; France: NIST P-256,
// AES-256 before, 3DES after), against one ECDH derivation
// (EVP_PKEY_derive with the recorded keys) and the KDF's two SHA-1 digests by
// libcrypto alone. On the thread's CPU clock, side by side.

#include <openssl/core_names.h>
#include <openssl/evp.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "bench/support/SideBySide.h"
#include "chipauth/ChipAuthentication.h"
#include "crypto/RandomSource.h"
#include "document/DG14.h"
#include "reader/ApduExchange.h"
#include "reader/PcscApi.h"
#include "support/CardSessions.h"
#include "support/Hex.h"
#include "support/NullView.h"
#include "support/PaceVectors.h"
#include "support/ScriptedCard.h"
#include "support/SeededRandomSource.h"

namespace {

constexpr int kBatch = 16;

// An EC key of a named curve from its public point and, when given, its private scalar.
EVP_PKEY* EcKey(const char* curve, const TBytes& point, const TBytes& scalar) {
  BIGNUM* priv = scalar.empty() ? nullptr : BN_bin2bn(scalar.data(), static_cast<int>(scalar.size()), nullptr);
  std::string name(curve);
  std::vector<OSSL_PARAM> parameters{
      OSSL_PARAM_construct_utf8_string(OSSL_PKEY_PARAM_GROUP_NAME, name.data(), 0),
      OSSL_PARAM_construct_octet_string(OSSL_PKEY_PARAM_PUB_KEY, const_cast<std::uint8_t*>(point.data()),
                                        point.size())};
  TBytes privBytes(scalar.rbegin(), scalar.rend());  // native (little-endian) order for OSSL_PARAM_BN
  if (priv) parameters.push_back(OSSL_PARAM_construct_BN(OSSL_PKEY_PARAM_PRIV_KEY, privBytes.data(), privBytes.size()));
  parameters.push_back(OSSL_PARAM_construct_end());
  EVP_PKEY_CTX* context = EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr);
  EVP_PKEY* key = nullptr;
  EVP_PKEY_fromdata_init(context);
  EVP_PKEY_fromdata(context, &key, priv ? EVP_PKEY_KEYPAIR : EVP_PKEY_PUBLIC_KEY, parameters.data());
  EVP_PKEY_CTX_free(context);
  BN_free(priv);
  return key;
}

void ChipAuthentication(benchmark::State& state, const char* section, const char* curve, bool generalAuthenticate) {
  TNullView view;
  const TVectorSection v = PaceVectors("chipauth-vectors.txt", section);
  TScriptedCard card;
  card.Script =
      AnswersOf(generalAuthenticate ? std::vector<TBytes>{v.Bytes("rsp_mse"), v.Bytes("rsp_ga"), v.Bytes("rsp_select")}
                                    : std::vector<TBytes>{v.Bytes("rsp_mse"), v.Bytes("rsp_select")});
  card.Recording = false;
  // The terminal's recorded ephemeral key, again for every run.
  TSeededRandomSource random = TSeededRandomSource::EachFillFrom({v.Bytes("sk_ifd")});
  random.Recording = false;
  SetPcscApi(&card);
  SetRandomSource(&random);
  ResetReaderLink();
  const TChipAuthenticationKey key = *ChooseChipAuthentication(*ParseDG14(v.Bytes("dg14")));
  const TBytes sscOld = v.Bytes("ssc_old");
  TAesBlock counter{};
  std::copy_n(sscOld.begin(), counter.size(), counter.begin());
  bool allPassed = true;
  const auto subject = [&] {
    card.Rewind();
    tMRTD_CTX ctx{};
    TCardSession session = AesSession(ctx, v.Bytes("ks_enc_old"), v.Bytes("ks_mac_old"), counter);
    allPassed &= PerformChipAuthentication(key, session).Outcome == TChipAuthOutcome::Passed;
  };

  EVP_PKEY* terminal = EcKey(curve, v.Bytes("pk_ifd"), v.Bytes("sk_ifd"));
  EVP_PKEY* chip = EcKey(curve, v.Bytes("pk_ic"), {});
  std::array<std::uint8_t, 64> secret{};
  std::array<std::uint8_t, EVP_MAX_MD_SIZE> digest{};
  bool floorAgrees = terminal && chip;
  const auto floor = [&] {
    EVP_PKEY_CTX* derivation = EVP_PKEY_CTX_new_from_pkey(nullptr, terminal, nullptr);
    std::size_t length = secret.size();
    floorAgrees &= EVP_PKEY_derive_init(derivation) == 1 && EVP_PKEY_derive_set_peer(derivation, chip) == 1 &&
                   EVP_PKEY_derive(derivation, secret.data(), &length) == 1;
    EVP_PKEY_CTX_free(derivation);
    for (const std::uint8_t counterByte : {1, 2}) {
      const std::array<std::uint8_t, 4> kdfCounter{0, 0, 0, counterByte};
      EVP_MD_CTX* hash = EVP_MD_CTX_new();
      unsigned int digestLength = 0;
      EVP_DigestInit_ex2(hash, EVP_sha1(), nullptr);
      EVP_DigestUpdate(hash, secret.data(), length);
      EVP_DigestUpdate(hash, kdfCounter.data(), kdfCounter.size());
      EVP_DigestFinal_ex(hash, digest.data(), &digestLength);
      EVP_MD_CTX_free(hash);
    }
    benchmark::DoNotOptimize(digest.data());
  };
  bench::SideBySide(state, bench::TClock::ThreadCpu, kBatch, subject, floor);
  if (!allPassed) state.SkipWithError("Chip Authentication did not pass");
  if (!floorAgrees) state.SkipWithError("the floor's derivation failed");
  EVP_PKEY_free(chip);
  EVP_PKEY_free(terminal);
  SetRandomSource(nullptr);
  SetPcscApi(nullptr);
  ResetReaderLink();
}

double Least(const std::vector<double>& values) { return *std::min_element(values.begin(), values.end()); }

}  // namespace

BENCHMARK_CAPTURE(ChipAuthentication, Brainpool, "gmrtd-at-ca-ecdh-aes128", "brainpoolP256r1", true)
    ->UseManualTime()
    ->Iterations(40)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", Least);
BENCHMARK_CAPTURE(ChipAuthentication, NistP256, "gmrtd-fr-ca-ecdh-3des-set-kat", "prime256v1", false)
    ->UseManualTime()
    ->Iterations(100)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", Least);

BENCHMARK_MAIN();
