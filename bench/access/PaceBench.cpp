// PACE's cost beside what libcrypto needs at the least:
//   PaceHandshake   the whole PACE of ICAO 9303-11 Appendix G.1 (brainpoolP256r1,
//                   AES-128) on the terminal's side, the chip's answers played back
//                   from the recording, against four EC scalar multiplications on
//                   the curve by libcrypto alone (the two key pairs and the two
//                   shared points a handshake cannot do without);
//   AesReadBinary   one protected READ BINARY of 100 bytes built, and the chip's
//                   answer checked and deciphered, against raw AES-CBC and CMAC
//                   (EVP, contexts keyed once) over the same blocks.
//   CamHandshake    the whole PACE-CAM of Appendix I.1 (brainpoolP256r1, AES-128)
//                   and the check of CA_IC against the chip's static key, against
//                   five EC scalar multiplications (the four of PACE and CA_IC
//                   times the static key).
// All on the thread's CPU clock, side by side.

#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/obj_mac.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "bench/support/SideBySide.h"
#include "card/messaging/AesSecureMessaging.h"
#include "card/messaging/PlainCommands.h"
#include "crypto/RandomSource.h"
#include "pace/CardAccess.h"
#include "pace/ChipAuthenticationMapping.h"
#include "pace/PaceAuthentication.h"
#include "reader/ApduExchange.h"
#include "reader/PcscApi.h"
#include "support/Hex.h"
#include "support/NullView.h"
#include "support/ScriptedCard.h"
#include "support/SeededRandomSource.h"

namespace {

// G.1 (ICAO 9303-11): the terminal's keys and the chip's answers.
const TBytes kSkMap = Hex("7F4EF07B9EA82FD78AD689B38D0BC78CF21F249D953BC46F4C6E19259C010F99");
const TBytes kSkDh = Hex("A73FB703AC1436A18E0CFA5ABB3F7BEC7A070E7A6788486BEE230C4A22762595");
const std::vector<TBytes> kAnswers{
    Hex("9000"),
    Hex("7C12801095A3A016522EE98D01E76CB6B98B42C39000"),
    Hex("7C43824104824FBA91C9CBE26BEF53A0EBE7342A3BF178CEA9F45DE0B70AA601651FBA3F5730D8C879AAA9C9F73991E61B58F4D"
        "52EB87A0A0C709A49DC63719363CCD13C549000"),
    Hex("7C438441049E880F842905B8B3181F7AF7CAA9F0EFB743847F44A306D2D28C1D9EC65DF6DB7764B22277A2EDDC3C265A9F018F9"
        "CB852E111B768B326904B59A0193776F0949000"),
    Hex("7C0A86083ABB9674BCE93C089000"),
};
const TBytes kKsEnc = Hex("F5F0E35C0D7161EE6724EE513A0D9A7F");
const TBytes kKsMac = Hex("FE251C7858B356B24514B3BD5F4297D1");
constexpr int kBatch = 16;

// I.1 (ICAO 9303-11): PACE-CAM's terminal keys, the chip's answers and its static key.
const TBytes kCamSkMap = Hex("5D8BB87BD74D985A4B7D4325B9F7B976FE835122773400798914AA22738135CC");
const TBytes kCamSkDh = Hex("76ECFDAA9841C323A3F5FC5E88B88DB3EFF7E35EBF57A7E6946CB630006C2120");
const std::vector<TBytes> kCamAnswers{
    Hex("9000"),
    Hex("7C128010CB60E8E0D85B76A9BD304747C2AD42E29000"),
    Hex("7C43824104A234236AA9B9621E8EFB73B5245C0E09D2576E5277183C1208BDD55280CAE8B304F365713A356E65A451E1"
        "65ECC9AC0AC46E3771342C8FE5AEDD092685338E239000"),
    Hex("7C4384410402AD566F3C6EC7F9324509AD50A51FA52030782A4968FCFEDF737DAEA993333111C3B9B4C2287789BD137E"
        "7F8AA882E2A3C633CCD6ECC2C63C57AD401A09C2E19000"),
    Hex("7C3C86088596CF055C67C1A38A301EEA964DAAE372AC990E3EFDE6333353BFC89A6704D93DA8798CF77F5B7A54BD10CB"
        "A372B42BE0B9B5F28AA8DE2F4F929000"),
};
const TBytes kCamChipKey =
    Hex("3052300C060704007F0007010202010D034200041872709494399E7470A6431BE25E83EEE24FEA568C2ED28DB48E05DB"
        "3A610DC884D256A40E35EFCB59BF6753D3A489D28C7A4D973C2DA138A6E7A4A08F68E16F");

void PaceHandshake(benchmark::State& state) {
  TNullView view;
  // A card that plays the recorded answers in turn.
  TScriptedCard card;
  card.Script = AnswersOf(kAnswers);
  card.Cycle = true;
  card.Recording = false;
  // The terminal's two private keys, again for every handshake.
  TSeededRandomSource random = TSeededRandomSource::EachFillFrom({kSkMap, kSkDh});
  random.Recording = false;
  SetPcscApi(&card);
  SetRandomSource(&random);
  ResetReaderLink();
  const std::vector<TPaceInfo> infos = ParseCardAccess(Hex("31143012060A04007F0007020204020202010202010D"));
  const TPacePassword password = MrzPassword("T22000129364081251010318");
  bool allEstablished = true;
  const auto subject = [&] {
    tMRTD_CTX ctx{};
    TCardSession session(ctx);
    card.Rewind();
    allEstablished &= PerformPace(password, infos, session).Outcome == TPaceOutcome::Established;
  };

  EC_GROUP* group = EC_GROUP_new_by_curve_name(NID_brainpoolP256r1);
  EC_POINT* point = EC_POINT_new(group);
  EC_POINT* other = EC_POINT_dup(EC_GROUP_get0_generator(group), group);
  BIGNUM* scalar = BN_bin2bn(kSkDh.data(), static_cast<int>(kSkDh.size()), nullptr);
  BN_CTX* bn = BN_CTX_new();
  const auto floor = [&] {
    EC_POINT_mul(group, point, scalar, nullptr, nullptr, bn);  // a key pair
    EC_POINT_mul(group, other, nullptr, point, scalar, bn);    // a shared point
    EC_POINT_mul(group, point, scalar, nullptr, nullptr, bn);
    EC_POINT_mul(group, other, nullptr, point, scalar, bn);
    benchmark::DoNotOptimize(other);
  };
  bench::SideBySide(state, bench::TClock::ThreadCpu, kBatch, subject, floor);
  if (!allEstablished) state.SkipWithError("PACE was not established");
  BN_CTX_free(bn);
  BN_free(scalar);
  EC_POINT_free(other);
  EC_POINT_free(point);
  EC_GROUP_free(group);
  SetRandomSource(nullptr);
  SetPcscApi(nullptr);
  ResetReaderLink();
}

void CamHandshake(benchmark::State& state) {
  TNullView view;
  TScriptedCard card;
  card.Script = AnswersOf(kCamAnswers);
  card.Cycle = true;
  card.Recording = false;
  TSeededRandomSource random = TSeededRandomSource::EachFillFrom({kCamSkMap, kCamSkDh});
  random.Recording = false;
  SetPcscApi(&card);
  SetRandomSource(&random);
  ResetReaderLink();
  const std::vector<TPaceInfo> infos = ParseCardAccess(Hex("31143012060A04007F0007020204060202010202010D"));
  const TPacePassword password = MrzPassword("C11T002JM496081222310314");
  bool allPassed = true;
  const auto subject = [&] {
    tMRTD_CTX ctx{};
    TCardSession session(ctx);
    card.Rewind();
    const TPaceResult result = PerformPace(password, infos, session);
    allPassed &= result.Cam && CheckChipAuthenticationMapping(*result.Cam, kCamChipKey).Passed;
  };

  EC_GROUP* group = EC_GROUP_new_by_curve_name(NID_brainpoolP256r1);
  EC_POINT* point = EC_POINT_new(group);
  EC_POINT* other = EC_POINT_dup(EC_GROUP_get0_generator(group), group);
  BIGNUM* scalar = BN_bin2bn(kCamSkDh.data(), static_cast<int>(kCamSkDh.size()), nullptr);
  BN_CTX* bn = BN_CTX_new();
  const auto floor = [&] {
    EC_POINT_mul(group, point, scalar, nullptr, nullptr, bn);  // a key pair
    EC_POINT_mul(group, other, nullptr, point, scalar, bn);    // a shared point
    EC_POINT_mul(group, point, scalar, nullptr, nullptr, bn);
    EC_POINT_mul(group, other, nullptr, point, scalar, bn);
    EC_POINT_mul(group, other, nullptr, point, scalar, bn);  // CA_IC times the static key
    benchmark::DoNotOptimize(other);
  };
  bench::SideBySide(state, bench::TClock::ThreadCpu, kBatch, subject, floor);
  if (!allPassed) state.SkipWithError("PACE-CAM was not established or its check did not pass");
  BN_CTX_free(bn);
  BN_free(scalar);
  EC_POINT_free(other);
  EC_POINT_free(point);
  EC_GROUP_free(group);
  SetRandomSource(nullptr);
  SetPcscApi(nullptr);
  ResetReaderLink();
}

// The chip's answer to a READ BINARY of 100 bytes at counter 2, made with
// libcrypto: DO'87' (112 bytes of cryptogram), DO'99', DO'8E'.
TBytes ChipAnswer() {
  std::array<std::uint8_t, 16> ssc{};
  ssc[15] = 2;
  std::array<std::uint8_t, 16> iv{};
  int length = 0;
  EVP_CIPHER_CTX* cipher = EVP_CIPHER_CTX_new();
  EVP_EncryptInit_ex2(cipher, EVP_aes_128_ecb(), kKsEnc.data(), nullptr, nullptr);
  EVP_CIPHER_CTX_set_padding(cipher, 0);
  EVP_EncryptUpdate(cipher, iv.data(), &length, ssc.data(), 16);
  TBytes data(112, 0);
  for (std::size_t i = 0; i < 100; ++i) data[i] = static_cast<std::uint8_t>(i * 7 + 1);
  data[100] = 0x80;
  TBytes cryptogram(112);
  EVP_EncryptInit_ex2(cipher, EVP_aes_128_cbc(), kKsEnc.data(), iv.data(), nullptr);
  EVP_CIPHER_CTX_set_padding(cipher, 0);
  EVP_EncryptUpdate(cipher, cryptogram.data(), &length, data.data(), 112);
  EVP_CIPHER_CTX_free(cipher);
  TBytes body = Concat({Hex("877101"), cryptogram, Hex("99029000")});
  TBytes macInput = Concat({TBytes(ssc.begin(), ssc.end()), body, Hex("80")});
  macInput.resize((macInput.size() + 15) / 16 * 16, 0);
  EVP_MAC* cmac = EVP_MAC_fetch(nullptr, "CMAC", nullptr);
  EVP_MAC_CTX* mac = EVP_MAC_CTX_new(cmac);
  char name[] = "AES-128-CBC";
  const OSSL_PARAM parameters[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_CIPHER, name, 0),
                                   OSSL_PARAM_construct_end()};
  TBytes full(16);
  std::size_t macLength = 0;
  EVP_MAC_init(mac, kKsMac.data(), kKsMac.size(), parameters);
  EVP_MAC_update(mac, macInput.data(), macInput.size());
  EVP_MAC_final(mac, full.data(), &macLength, full.size());
  EVP_MAC_CTX_free(mac);
  EVP_MAC_free(cmac);
  return Concat({body, Hex("8E08"), TBytes(full.begin(), full.begin() + 8), Hex("9000")});
}

void AesReadBinary(benchmark::State& state) {
  TNullView view;
  const TBytes answer = ChipAnswer();
  std::array<std::uint8_t, 256> plaintext{};
  std::size_t length = 0;
  bool allOk = true;
  // One session's secure messaging, its counter set back before each command.
  TAesSession session{TSecretBuffer(kKsEnc), TSecretBuffer(kKsMac), {}, nullptr};
  const TCommandApdu read = *BuildReadBinary(0x0164, 100);
  const auto subject = [&] {
    session.SSC = {};
    benchmark::DoNotOptimize(BuildAesProtectedCommand(session, read));
    allOk &= UnwrapAesReadAnswer(session, answer, plaintext, length) == TUnwrapResult::Ok;
    benchmark::DoNotOptimize(plaintext.data());
  };

  // The same blocks by raw EVP: two IVs, the command's MAC over 3 blocks, the
  // answer's over 9, and 7 blocks deciphered.
  EVP_CIPHER_CTX* cipher = EVP_CIPHER_CTX_new();
  EVP_EncryptInit_ex2(cipher, EVP_aes_128_cbc(), kKsEnc.data(), std::array<std::uint8_t, 16>{}.data(), nullptr);
  EVP_CIPHER_CTX_set_padding(cipher, 0);
  EVP_MAC* cmac = EVP_MAC_fetch(nullptr, "CMAC", nullptr);
  EVP_MAC_CTX* mac = EVP_MAC_CTX_new(cmac);
  char name[] = "AES-128-CBC";
  const OSSL_PARAM parameters[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_CIPHER, name, 0),
                                   OSSL_PARAM_construct_end()};
  EVP_MAC_init(mac, kKsMac.data(), kKsMac.size(), parameters);
  std::array<std::uint8_t, 160> blocks{};
  std::array<std::uint8_t, 160> out{};
  std::array<std::uint8_t, 16> tag{};
  const auto floor = [&] {
    int produced = 0;
    std::size_t tagLength = 0;
    EVP_EncryptUpdate(cipher, out.data(), &produced, blocks.data(), 2 * 16);  // the two IVs
    EVP_MAC_init(mac, nullptr, 0, nullptr);
    EVP_MAC_update(mac, blocks.data(), 3 * 16);
    EVP_MAC_final(mac, tag.data(), &tagLength, tag.size());
    EVP_MAC_init(mac, nullptr, 0, nullptr);
    EVP_MAC_update(mac, blocks.data(), 9 * 16);
    EVP_MAC_final(mac, tag.data(), &tagLength, tag.size());
    EVP_EncryptUpdate(cipher, out.data(), &produced, blocks.data(), 7 * 16);  // deciphering costs the same
    benchmark::DoNotOptimize(out.data());
  };
  bench::SideBySide(state, bench::TClock::ThreadCpu, 64, subject, floor);
  if (!allOk || length != 100) state.SkipWithError("the answer was not accepted");
  EVP_MAC_CTX_free(mac);
  EVP_MAC_free(cmac);
  EVP_CIPHER_CTX_free(cipher);
}

double Least(const std::vector<double>& values) { return *std::min_element(values.begin(), values.end()); }

}  // namespace

BENCHMARK(PaceHandshake)
    ->UseManualTime()
    ->Iterations(60)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", Least);
BENCHMARK(CamHandshake)
    ->UseManualTime()
    ->Iterations(60)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", Least);
BENCHMARK(AesReadBinary)
    ->UseManualTime()
    ->Iterations(1000)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", Least);

BENCHMARK_MAIN();
