// EF.SOD files of issued documents of six states against the German and the
// Dutch CSCA master lists, at their signing time. Their data groups are not
// public, so each is given a DG1 of its own and that hash mismatches; the
// signature, the chain and the issuing state must all hold.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "RealDocuments.h"
#include "passiveauth/CountryCodes.h"
#include "passiveauth/PassiveAuthentication.h"
#include "passiveauth/SodParser.h"
#include "support/TempFolder.h"
#include "support/TestPki.h"
#include "trust/CmsSignature.h"

namespace {

// A three-letter code that names the two-letter country.
std::string ThreeLetters(const std::string& country) {
  for (char a = 'A'; a <= 'Z'; ++a)
    for (char b = 'A'; b <= 'Z'; ++b)
      for (char c = 'A'; c <= 'Z'; ++c) {
        const std::string code{a, b, c};
        if (TwoLetterCountry(code) == country) return code;
      }
  return {};
}

TReadingEvidence RealReading(const TRealSod& sod) {
  TReadingEvidence evidence;
  evidence.SodPresence = TSodPresence::Read;
  evidence.Sod = testpki::ReadFile(sod.File);
  evidence.DataGroups[1] = {0x61, 0x03, 0x5F, 0x1F, 0x00};
  evidence.IssuingState = ThreeLetters(sod.Country);
  evidence.ReadAt = std::chrono::system_clock::from_time_t(sod.SigningTime);
  return evidence;
}

std::string Upper(std::string text) {
  std::ranges::transform(text, text.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

std::vector<std::string> Texts(const TPaResult& result) {
  std::vector<std::string> texts;
  for (const TPaLine& line : result.Lines) texts.push_back(line.Text);
  return texts;
}

bool HasLineStarting(const TPaResult& result, const std::string& start) {
  return std::ranges::any_of(result.Lines, [&](const TPaLine& line) { return line.Text.starts_with(start); });
}

class RealSodsAgainst : public ::testing::TestWithParam<TRealMasterList> {};

TEST_P(RealSodsAgainst, MasterList) {
  TTempFolder folder;
  std::filesystem::copy_file(GetParam().File, folder.Path() / GetParam().File.filename());
  const TTrustStore store({folder.Path()});
  const auto sods = RealSods();
  ASSERT_EQ(sods.size(), 6u);
  for (const TRealSod& sod : sods) {
    SCOPED_TRACE(sod.Country);
    const TPaResult result = VerifyPassiveAuthentication(RealReading(sod), store);
    const auto lines = Texts(result);
    ASSERT_GE(lines.size(), 7u);
    EXPECT_EQ(lines[0], "EF.SOD: " + std::to_string(std::filesystem::file_size(sod.File)) +
                            " bytes, LDS security object v" + std::to_string(sod.Version) + ", " +
                            Upper(sod.HashAlgorithm) + ", " + std::to_string(sod.DataGroups.size()) + " hashes" +
                            lines[0].substr(lines[0].find(" (")))
        << lines[0];
    EXPECT_TRUE(lines[1].starts_with("SOD signature: valid (")) << lines[1];
    EXPECT_TRUE(lines[2].starts_with("Document signer: " + sod.DocumentSigner + ", country " + sod.Country))
        << lines[2];
    EXPECT_EQ(lines[3], "CSCA: trusted (" + sod.Csca + "; revocation not checked: no CRL for this CSCA)");
    EXPECT_EQ(lines[4], "DG1 hash: MISMATCH");
    EXPECT_TRUE(HasLineStarting(result, "Issuing state: match")) << lines[5];
    EXPECT_EQ(result.Verdict, TPaVerdict::Failed);
    EXPECT_EQ(result.Reason, "DG1 hash mismatch");
  }
}

INSTANTIATE_TEST_SUITE_P(Real, RealSodsAgainst, ::testing::ValuesIn(RealMasterLists()),
                         [](const auto& info) { return info.param.File.stem().string().substr(0, 2); });

// Without the settings of TChainSettings OpenSSL refuses the CSCAs and
// document signers whose EC keys carry explicit curve parameters (Austria's
// brainpool and Russia's P-256 keys), although those are named curves.
TEST(RealSodsWithOpenSslDefaults, FailOnExplicitCurveParameters) {
  const TTrustStore store({RealDataFolder() / "trust"});
  const TChainSettings defaults{false, false, false};
  std::vector<std::string> refused;
  for (const TRealSod& sod : RealSods()) {
    const TPaResult withDefaults = VerifyPassiveAuthentication(RealReading(sod), store, defaults);
    const TPaResult withSettings = VerifyPassiveAuthentication(RealReading(sod), store);
    EXPECT_TRUE(HasLineStarting(withSettings, "CSCA: trusted")) << sod.Country;
    if (HasLineStarting(withDefaults, "CSCA: trusted")) continue;
    refused.push_back(sod.Country);
    EXPECT_TRUE(HasLineStarting(withDefaults,
                                "CSCA: chain INVALID (Certificate public key has explicit ECC parameters (error 94"))
        << sod.Country;
  }
  EXPECT_EQ(refused, (std::vector<std::string>{"AT", "RU"}));
}

// The German list carries seven certificates that say CA:FALSE (cross-links
// of Cameroon and Portugal, and CSCAs of Italy, Luxembourg and Turkey): they
// are listed but never anchors. Belgium's CSCA 03 (keyCertSign, no basic
// constraints) and China's (CA:TRUE, no key usage) stay anchors.
TEST(RealMasterLists, LoadWithTheirSignatureCheckedAndTheirSignerCertified) {
  const std::map<std::string, int> kNotCa{{"DE", 7}, {"NL", 0}};
  for (const TRealMasterList& list : RealMasterLists()) {
    TTempFolder folder;
    std::filesystem::copy_file(list.File, folder.Path() / list.File.filename());
    const TTrustStore store({folder.Path()});
    const int notCa = kNotCa.at(list.File.filename().string().substr(0, 2));
    ASSERT_EQ(store.LoadLog().size(), 1u);
    EXPECT_EQ(store.LoadLog()[0],
              list.File.filename().string() + ": master list of " + std::to_string(list.Certificates) +
                  " CSCA certificates, signature valid, signed by " + list.Signer + " (certified by " +
                  list.SignerIssuer + ")" +
                  (notCa > 0 ? "; " + std::to_string(notCa) +
                                   " certificates not used (not a CA certificate (CA:FALSE in its basic constraints))"
                             : std::string()));
    EXPECT_EQ(store.Material().Cscas.size(), static_cast<std::size_t>(list.Certificates - notCa));
  }
}

}  // namespace

namespace {

// Malaysia's SignerInfo names the issuer with its attributes in another
// order than the certificate: OpenSSL's own match by issuer and serial number
// misses it, the fallback by serial number finds it, and the signature holds.
TEST(RealSodSigner, FoundBySerialNumberWhenTheIssuerNameIsReordered) {
  for (const TRealSod& sod : RealSods()) {
    auto parsed = std::get<TParsedSod>(ParseSod(testpki::ReadFile(sod.File)));
    CMS_SignerInfo* signer = sk_CMS_SignerInfo_value(CMS_get0_SignerInfos(parsed.Cms.get()), 0);
    STACK_OF(X509)* embedded = CMS_get1_certs(parsed.Cms.get());
    const bool exactMatch = CMS_SignerInfo_cert_cmp(signer, sk_X509_value(embedded, 0)) == 0;
    sk_X509_pop_free(embedded, X509_free);
    EXPECT_EQ(exactMatch, sod.Country != "MY") << sod.Country;
    const TCmsSignatureCheck check = CheckCmsSignature(parsed.Cms.get());
    EXPECT_TRUE(check.Valid) << sod.Country << ": " << check.Problem;
  }
}

}  // namespace
