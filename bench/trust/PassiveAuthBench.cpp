// The whole Passive Authentication of a reading (EF.SOD parsed, its
// signature and signed attributes checked, the document signer chained to
// the trust store's CSCA, every data group hashed and compared, the issuing
// state mapped) against its floor: the same hashing of the same data groups
// plus one raw verification of the SOD's signature over its signed
// attributes by libcrypto. Both on the thread's CPU clock, in batches.
//
//   SamplePassport  the sample passport's DG1, DG2 (16.5 KB face) and DG11,
//                   under an EF.SOD made with the test PKI (P-256 CSCA and
//                   document signer, SHA-256), the CSCA alone in the store
//   RealAustria     the Austrian EF.SOD (brainpoolP256r1 signer with explicit
//                   parameters, brainpoolP384r1 CSCA) against the German
//                   and Dutch master lists (about 1000 CSCAs), with the same data groups
//                   (whose hashes then mismatch: the hashing is the same work)

#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "bench/support/SideBySide.h"
#include "passiveauth/PassiveAuthentication.h"
#include "passiveauth/SodParser.h"
#include "support/TestPki.h"
#include "tools/simchip/DocumentFile.h"

namespace {

using testpki::TBytes;
constexpr int kBatch = 20;
constexpr std::uint16_t kFirstDataGroupFid = 0x0100;

std::map<int, TBytes> SampleDataGroups() {
  const simchip::TDocument passport = simchip::LoadDocumentFile(ZELVAN_SAMPLE_PASSPORT);
  std::map<int, TBytes> groups;
  for (const auto& [fid, bytes] : passport.Lds)
    if (fid > kFirstDataGroupFid && fid <= kFirstDataGroupFid + 16)
      groups[fid - kFirstDataGroupFid] = TBytes(bytes.begin(), bytes.end());
  return groups;
}

// What the floor verifies: the signed attributes as signed (a DER SET OF,
// its members in encoding order), the signature and the signer's key.
struct TRawSignature {
  TBytes SignedAttributes;
  TBytes Signature;
  TEvpPkeyPtr Key;
  const EVP_MD* Digest = nullptr;
  TEvpMdPtr FetchedDigest;
};

TRawSignature RawSignature(const TBytes& sod) {
  auto parsed = std::get<TParsedSod>(ParseSod(sod));
  CMS_SignerInfo* signer = sk_CMS_SignerInfo_value(CMS_get0_SignerInfos(parsed.Cms.get()), 0);
  std::vector<TBytes> members;
  for (int i = 0; i < CMS_signed_get_attr_count(signer); ++i) {
    unsigned char* der = nullptr;
    const int length = i2d_X509_ATTRIBUTE(CMS_signed_get_attr(signer, i), &der);
    members.emplace_back(der, der + length);
    OPENSSL_free(der);
  }
  std::ranges::sort(members);
  TBytes body;
  for (const TBytes& member : members) body.insert(body.end(), member.begin(), member.end());
  TRawSignature raw;
  raw.SignedAttributes.resize(static_cast<std::size_t>(ASN1_object_size(1, static_cast<int>(body.size()), V_ASN1_SET)));
  unsigned char* cursor = raw.SignedAttributes.data();
  ASN1_put_object(&cursor, 1, static_cast<int>(body.size()), V_ASN1_SET, V_ASN1_UNIVERSAL);
  std::ranges::copy(body, cursor);

  const ASN1_OCTET_STRING* signature = CMS_SignerInfo_get0_signature(signer);
  raw.Signature.assign(ASN1_STRING_get0_data(signature),
                       ASN1_STRING_get0_data(signature) + ASN1_STRING_length(signature));
  STACK_OF(X509)* certificates = CMS_get1_certs(parsed.Cms.get());
  raw.Key.reset(X509_get_pubkey(sk_X509_value(certificates, 0)));
  sk_X509_pop_free(certificates, X509_free);
  X509_ALGOR* digest = nullptr;
  CMS_SignerInfo_get0_algs(signer, nullptr, nullptr, &digest, nullptr);
  const ASN1_OBJECT* digestObject = nullptr;
  X509_ALGOR_get0(&digestObject, nullptr, nullptr, digest);
  raw.FetchedDigest.reset(EVP_MD_fetch(nullptr, OBJ_nid2sn(OBJ_obj2nid(digestObject)), nullptr));
  raw.Digest = raw.FetchedDigest.get();
  return raw;
}

bool RawVerify(const TRawSignature& raw) {
  EVP_MD_CTX* context = EVP_MD_CTX_new();
  const bool valid = EVP_DigestVerifyInit(context, nullptr, raw.Digest, nullptr, raw.Key.get()) == 1 &&
                     EVP_DigestVerify(context, raw.Signature.data(), raw.Signature.size(), raw.SignedAttributes.data(),
                                      raw.SignedAttributes.size()) == 1;
  EVP_MD_CTX_free(context);
  return valid;
}

void Hash(const std::map<int, TBytes>& groups, const EVP_MD* md) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  for (const auto& [number, bytes] : groups) {
    EVP_Digest(bytes.data(), bytes.size(), digest, &length, md, nullptr);
    benchmark::DoNotOptimize(digest);
  }
}

void Measure(benchmark::State& state, const TReadingEvidence& evidence, const TTrustStore& store, const char* hashName,
             TPaVerdict expected) {
  const TRawSignature raw = RawSignature(evidence.Sod);
  if (!RawVerify(raw)) {
    state.SkipWithError("the floor's raw signature does not verify");
    return;
  }
  const TEvpMdPtr hash(EVP_MD_fetch(nullptr, hashName, nullptr));
  bool allAsExpected = true;
  const auto subject = [&] {
    const TPaResult result = VerifyPassiveAuthentication(evidence, store);
    allAsExpected &= result.Verdict == expected;
    benchmark::DoNotOptimize(result.Lines.data());
  };
  const auto floor = [&] {
    Hash(evidence.DataGroups, hash.get());
    benchmark::DoNotOptimize(RawVerify(raw));
  };
  bench::SideBySide(state, bench::TClock::ThreadCpu, kBatch, subject, floor);
  if (!allAsExpected) state.SkipWithError("the verification did not give the expected verdict");
  std::size_t bytes = 0;
  for (const auto& [number, group] : evidence.DataGroups) bytes += group.size();
  state.counters["hashed_kb"] = benchmark::Counter(static_cast<double>(bytes) / 1024.0);
}

struct TTempStore {
  std::filesystem::path Folder =
      std::filesystem::temp_directory_path() / ("zelvan-bench-trust-" + std::to_string(getpid()));
  ~TTempStore() { std::filesystem::remove_all(Folder); }
};

void SamplePassport(benchmark::State& state) {
  using namespace testpki;
  const auto cscaKey = NewEcKey();
  const auto dsKey = NewEcKey();
  const auto csca = MakeCertificate({"UT", "Bench CSCA", Utc(2020, 1, 1), Utc(2035, 1, 1), true, 1}, cscaKey.get(),
                                    nullptr, cscaKey.get());
  const auto ds = MakeCertificate({"UT", "Bench DS", Utc(2021, 1, 1), Utc(2031, 1, 1), false, 2}, dsKey.get(),
                                  csca.get(), cscaKey.get());
  TTempStore folder;
  WriteFile(folder.Folder / "csca.der", Der(csca.get()));
  const TTrustStore store({folder.Folder});

  TReadingEvidence evidence;
  evidence.DataGroups = SampleDataGroups();
  evidence.SodPresence = TSodPresence::Read;
  evidence.Sod = MakeSod(evidence.DataGroups, ds.get(), dsKey.get(), true, "SHA256");
  evidence.IssuingState = "UTO";
  evidence.ReadAt = std::chrono::system_clock::from_time_t(Utc(2026, 6, 1));
  Measure(state, evidence, store, "SHA256", TPaVerdict::Passed);
}

void RealAustria(benchmark::State& state) {
  const TTrustStore store({ZELVAN_REAL_TRUST_FOLDER});
  TReadingEvidence evidence;
  evidence.DataGroups = SampleDataGroups();
  evidence.SodPresence = TSodPresence::Read;
  evidence.Sod = testpki::ReadFile(ZELVAN_AUSTRIAN_SOD);
  evidence.IssuingState = "AUT";
  evidence.ReadAt = std::chrono::system_clock::from_time_t(testpki::Utc(2023, 3, 17));
  Measure(state, evidence, store, "SHA256", TPaVerdict::Failed);
}

double Least(const std::vector<double>& values) { return *std::min_element(values.begin(), values.end()); }

}  // namespace

BENCHMARK(SamplePassport)
    ->UseManualTime()
    ->Iterations(300)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", Least);
BENCHMARK(RealAustria)
    ->UseManualTime()
    ->Iterations(100)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", Least);

BENCHMARK_MAIN();
