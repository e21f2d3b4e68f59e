// Real EF.CardSecurity files of a German passport and a Finnish identity card
// against the German master list, a tampered copy, a store without their
// CSCA, and files that are not an EF.CardSecurity. Each file's CSCA part must
// read exactly as the CSCA line of the EF.SOD the same document signer signed.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "RealDocuments.h"
#include "passiveauth/CardSecurity.h"
#include "passiveauth/PassiveAuthentication.h"
#include "support/TempFolder.h"
#include "support/TestPki.h"

namespace {

using TBytes = std::vector<std::uint8_t>;

std::filesystem::path CardSecurityFolder() { return std::filesystem::path(ZELVAN_TRUST_TEST_DATA) / "cardsecurity"; }

TBytes FileBytes(const std::string& name) { return testpki::ReadFile(CardSecurityFolder() / name); }

// Inside both document signers' validity, and their CSCAs'.
const auto kReadAt = std::chrono::system_clock::from_time_t(1735689600);  // 2025-01-01

// A store with one of the real master lists, loaded once.
const TTrustStore& StoreWith(const std::string& masterList) {
  static std::map<std::string, std::unique_ptr<TTrustStore>> stores;
  static std::vector<std::unique_ptr<TTempFolder>> folders;
  auto& store = stores[masterList];
  if (!store) {
    folders.push_back(std::make_unique<TTempFolder>());
    if (!masterList.empty())
      std::filesystem::copy_file(RealDataFolder() / "trust" / masterList, folders.back()->Path() / masterList);
    store = std::make_unique<TTrustStore>(std::vector<std::filesystem::path>{folders.back()->Path()});
  }
  return *store;
}

const std::string kGermanList = "DE_ML_2026-05-28-08-28-45.ml";

// The CSCA line Passive Authentication gives for an EF.SOD.
std::string SodCscaLine(const TBytes& sod, const TTrustStore& store) {
  TReadingEvidence evidence;
  evidence.SodPresence = TSodPresence::Read;
  evidence.Sod = sod;
  evidence.ReadAt = kReadAt;
  const TPaResult result = VerifyPassiveAuthentication(evidence, store);
  const auto line =
      std::ranges::find_if(result.Lines, [](const TPaLine& each) { return each.Text.starts_with("CSCA: "); });
  return line == result.Lines.end() ? std::string() : line->Text;
}

// The German file with one byte of its PACE-CAM public key changed: the
// signed content no longer matches its messageDigest.
TBytes TamperedGerman() {
  TBytes bytes = FileBytes("DE-passport.cardsecurity.bin");
  const TBytes key{0x04, 0x61, 0x4C, 0xD8, 0x8B, 0x00, 0x82, 0x1A};
  const auto at = std::ranges::search(bytes, key);
  if (at.empty()) return {};
  at[7] ^= 0x01;
  return bytes;
}

struct TCase {
  std::string Name;
  std::function<TBytes()> File;
  std::string MasterList;  // empty: a store with no CSCA at all
  std::string SodForCsca;  // the EF.SOD whose CSCA line the file's must repeat; empty: none
  std::string Line;        // the expected line up to and including "CSCA: " (or the whole line)
  TPaVerdict Verdict;
  std::string Reason;
  std::size_t PaceInfos;  // in the SecurityInfos taken out
};

const std::vector<TCase>& Cases() {
  static const std::vector<TCase> cases{
      {"German", [] { return FileBytes("DE-passport.cardsecurity.bin"); }, kGermanList, "DE-passport.sod",
       "EF.CardSecurity: 1862 bytes, signature valid, ", TPaVerdict::Passed, "", 2},
      {"Finnish", [] { return FileBytes("FI-idcard.cardsecurity.bin"); }, kGermanList, "FI-idcard.sod",
       "EF.CardSecurity: 1970 bytes, signature valid, ", TPaVerdict::Passed, "", 2},
      {"Tampered", TamperedGerman, kGermanList, "DE-passport.sod", "EF.CardSecurity: 1862 bytes, signature INVALID, ",
       TPaVerdict::Failed, "signature invalid", 2},
      {"UnknownCsca", [] { return FileBytes("DE-passport.cardsecurity.bin"); }, "", "DE-passport.sod",
       "EF.CardSecurity: 1862 bytes, signature valid, ", TPaVerdict::Incomplete, "CSCA not in the trust store", 2},
      {"SodGivenForIt", [] { return FileBytes("DE-passport.sod"); }, kGermanList, "",
       "EF.CardSecurity: 1811 bytes, unreadable, no CMS structure", TPaVerdict::Failed, "malformed", 0},
      {"SodWithoutItsWrapper",
       [] {
         const TBytes sod = FileBytes("DE-passport.sod");
         return TBytes(sod.begin() + 4, sod.end());  // 77 82 07 0F
       },
       kGermanList, "",
       "EF.CardSecurity: 1807 bytes, unreadable, eContentType 2.23.136.1.1.1 instead of 0.4.0.127.0.7.3.2.1",
       TPaVerdict::Failed, "malformed", 0},
      {"ByteAfterIt",
       [] {
         TBytes bytes = FileBytes("FI-idcard.cardsecurity.bin");
         bytes.push_back(0x00);
         return bytes;
       },
       kGermanList, "", "EF.CardSecurity: 1971 bytes, unreadable, bytes after the CMS structure", TPaVerdict::Failed,
       "malformed", 0},
  };
  return cases;
}

class CardSecurityCase : public ::testing::TestWithParam<TCase> {};

TEST_P(CardSecurityCase, VerifiedWithEfSodsRules) {
  const TCase& c = GetParam();
  const TBytes file = c.File();
  ASSERT_FALSE(file.empty());
  const TTrustStore& store = StoreWith(c.MasterList);
  const TCardSecurityCheck check = VerifyCardSecurity(file, store, kReadAt);

  if (c.SodForCsca.empty()) {
    EXPECT_EQ(check.Line.Text, c.Line);
  } else {
    const std::string csca = SodCscaLine(FileBytes(c.SodForCsca), store);
    ASSERT_TRUE(csca.starts_with("CSCA: ")) << csca;
    EXPECT_EQ(check.Line.Text, c.Line + csca);
  }
  EXPECT_EQ(check.Verdict, c.Verdict);
  EXPECT_EQ(check.Reason, c.Reason);
  EXPECT_EQ(check.Line.Kind, c.Verdict == TPaVerdict::Failed ? TPaLineKind::Failure : TPaLineKind::Info);
  EXPECT_EQ(check.Infos.has_value(), c.PaceInfos > 0);
  if (check.Infos) {
    EXPECT_EQ(check.Infos->PaceInfos.size(), c.PaceInfos);
  }
}

INSTANTIATE_TEST_SUITE_P(Real, CardSecurityCase, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return info.param.Name; });

// The CSCA the German and Finnish files reach is the one named in their
// certificates, and it is trusted: a wording shared with EF.SOD is no proof
// that either chain holds.
TEST(CardSecurityChain, ReachesTheIssuingStatesCsca) {
  const TTrustStore& store = StoreWith(kGermanList);
  for (const auto& [file, csca] : std::vector<std::pair<std::string, std::string>>{
           {"DE-passport.cardsecurity.bin", "CN=csca-germany"}, {"FI-idcard.cardsecurity.bin", "CN=CSCA Finland"}}) {
    const TCardSecurityCheck check = VerifyCardSecurity(FileBytes(file), store, kReadAt);
    EXPECT_NE(check.Line.Text.find(", CSCA: trusted ("), std::string::npos) << check.Line.Text;
    EXPECT_NE(check.Line.Text.find(csca), std::string::npos) << check.Line.Text;
  }
}

// Past the German document signer's validity the chain is refused, as for EF.SOD.
TEST(CardSecurityChain, ExpiredAtTheTimeOfReading) {
  const auto after = std::chrono::system_clock::from_time_t(2067552000);  // 2035-07-08
  const TCardSecurityCheck check =
      VerifyCardSecurity(FileBytes("DE-passport.cardsecurity.bin"), StoreWith(kGermanList), after);
  EXPECT_TRUE(check.Line.Text.starts_with("EF.CardSecurity: 1862 bytes, signature valid, CSCA: EXPIRED ("))
      << check.Line.Text;
  EXPECT_EQ(check.Verdict, TPaVerdict::Failed);
}

}  // namespace
