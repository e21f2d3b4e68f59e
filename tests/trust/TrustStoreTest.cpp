// The trust store: its folders, PKD LDIF files, importing files into the
// user's folder and loading again when the folders change.

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include "passiveauth/PassiveAuthentication.h"
#include "support/TempFolder.h"
#include "support/TestPki.h"
#include "trust/LdifReader.h"
#include "trust/TrustImport.h"

using namespace testpki;

namespace {

const std::time_t kReadAt = Utc(2026, 6, 1);

struct TSmallPki {
  TEvpPkeyPtr CscaKey = NewEcKey("brainpoolP256r1");
  TEvpPkeyPtr DsKey = NewEcKey();
  TX509Ptr Csca = MakeCertificate({"NL", "Store CSCA", Utc(2020, 1, 1), Utc(2035, 1, 1), true, 1}, CscaKey.get(),
                                  nullptr, CscaKey.get());
  TX509Ptr Ds = MakeCertificate({"NL", "Store DS", Utc(2021, 1, 1), Utc(2031, 1, 1), false, 2}, DsKey.get(), Csca.get(),
                                CscaKey.get());
  TX509Ptr ListSigner = MakeCertificate({"NL", "List Signer", Utc(2021, 1, 1), Utc(2031, 1, 1), false, 3}, DsKey.get(),
                                        Csca.get(), CscaKey.get());
};

const TSmallPki& Pki() {
  static const TSmallPki pki;
  return pki;
}

// A reading whose EF.SOD leaves the signer's certificate out unless asked.
TReadingEvidence Reading(bool embedSigner) {
  TReadingEvidence evidence;
  evidence.DataGroups = {{1, {0x61, 0x01, 0x00}}, {2, {0x75, 0x01, 0x00}}};
  evidence.SodPresence = TSodPresence::Read;
  evidence.Sod = MakeSod(evidence.DataGroups, Pki().Ds.get(), Pki().DsKey.get(), embedSigner, "SHA512");
  evidence.IssuingState = "NLD";
  evidence.ReadAt = std::chrono::system_clock::from_time_t(kReadAt);
  return evidence;
}

std::string PkdLdif(bool revokeDs) {
  const auto crl = MakeCrl(Pki().Csca.get(), Pki().CscaKey.get(),
                           revokeDs ? std::vector<X509*>{Pki().Ds.get()} : std::vector<X509*>{}, kReadAt);
  return "version: 1\n\n"
         "dn: cn=NL-list,o=ml,c=NL,dc=data,dc=download,dc=pkdDownload\n"
         "objectClass: pkdMasterList\n" +
         LdifValue("pkdMasterListContent",
                   MakeMasterList({Pki().Csca.get()}, Pki().ListSigner.get(), Pki().DsKey.get())) +
         "\n"
         "dn: cn=Store DS+sn=02,o=dsc,c=NL,dc=data,dc=download,dc=pkdDownload\n"
         "objectClass: pkdDownload\n" +
         LdifValue("userCertificate;binary", Der(Pki().Ds.get())) +
         "\n"
         "dn: cn=Store CSCA,o=crl,c=NL,dc=data,dc=download,dc=pkdDownload\n" +
         LdifValue("certificateRevocationList;binary", Der(crl.get())) + "\n";
}

TBytes Bytes(const std::string& text) { return TBytes(text.begin(), text.end()); }

TEST(PkdLdif, GivesItsMasterListsDocumentSignersAndCrls) {
  const TLdifContents contents = ReadLdif(Bytes(PkdLdif(false)));
  ASSERT_EQ(contents.MasterLists.size(), 1u);
  EXPECT_TRUE(contents.MasterLists[0].SignatureValid);
  EXPECT_EQ(contents.MasterLists[0].Certificates.size(), 1u);
  ASSERT_EQ(contents.DocumentSigners.size(), 1u);
  EXPECT_EQ(X509_cmp(contents.DocumentSigners[0].get(), Pki().Ds.get()), 0);
  EXPECT_EQ(contents.Crls.size(), 1u);
  EXPECT_TRUE(contents.Cscas.empty());
  EXPECT_EQ(contents.Unreadable, 0);
}

// EF.SOD may leave its signer's certificate out: the store's document
// signers from the PKD stand in, and the PKD's CRL is applied.
TEST(PkdLdif, SuppliesTheSignerAndTheCrl) {
  for (const bool revoked : {false, true}) {
    TTempFolder folder;
    WriteFile(folder.Path() / "icaopkd.ldif", Bytes(PkdLdif(revoked)));
    const TTrustStore store({folder.Path()});
    EXPECT_EQ(store.LoadLog().at(0).substr(0, 25), "icaopkd.ldif: LDIF: maste");
    const TPaResult result = VerifyPassiveAuthentication(Reading(false), store);
    EXPECT_EQ(result.Verdict, revoked ? TPaVerdict::Failed : TPaVerdict::Passed) << result.Reason;
    EXPECT_EQ(result.Reason, revoked ? "document signer revoked" : "");
    EXPECT_EQ(result.Lines.at(1).Text, "SOD signature: valid (ECDSA with SHA512)");
  }
  const TPaResult withoutStore = VerifyPassiveAuthentication(Reading(false), TTrustStore());
  EXPECT_EQ(withoutStore.Verdict, TPaVerdict::Incomplete);
  EXPECT_EQ(withoutStore.Reason, "document signer certificate not available");
}

TEST(TrustImport, CopiesUsableFilesAndTheStoreLoadsThemAgain) {
  TTempFolder sources;
  TTempFolder user;
  const auto userFolder = user.Path() / "zelvan/trust";
  TBytes brokenList = MakeMasterList({Pki().Csca.get()}, Pki().ListSigner.get(), Pki().DsKey.get());
  const std::string name = "Store CSCA";
  ASSERT_TRUE(FlipInside(brokenList, Bytes(name)));
  WriteFile(sources.Path() / "csca.cer", Der(Pki().Csca.get()));
  WriteFile(sources.Path() / "broken.ml", brokenList);
  WriteFile(sources.Path() / "notes.txt", Bytes("CSCA"));
  WriteFile(sources.Path() / "empty.crl", {});

  TTrustStore store({userFolder});
  EXPECT_EQ(VerifyPassiveAuthentication(Reading(true), store).Reason, "CSCA not in the trust store");
  EXPECT_FALSE(store.ReloadIfChanged());

  const std::vector<std::filesystem::path> files{sources.Path() / "csca.cer", sources.Path() / "broken.ml",
                                                 sources.Path() / "notes.txt", sources.Path() / "empty.crl"};
  const auto lines = ImportTrustFiles(files, userFolder);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "Imported csca.cer: 1 CSCA certificate");
  EXPECT_TRUE(lines[1].starts_with("Not imported broken.ml: master list of 1 CSCA certificate, signature INVALID ("))
      << lines[1];
  EXPECT_TRUE(lines[1].ends_with("; its certificates are not used")) << lines[1];
  EXPECT_EQ(lines[2], "Not imported notes.txt: not a certificate, master list, LDIF or CRL file name");
  EXPECT_EQ(lines[3], "Not imported empty.crl: no CRL in it");
  EXPECT_TRUE(std::filesystem::exists(userFolder / "csca.cer"));
  EXPECT_FALSE(std::filesystem::exists(userFolder / "broken.ml"));

  EXPECT_TRUE(store.ReloadIfChanged());
  EXPECT_EQ(store.LoadLog(), std::vector<std::string>{"csca.cer: 1 CSCA certificate"});
  EXPECT_EQ(VerifyPassiveAuthentication(Reading(true), store).Verdict, TPaVerdict::Passed);
  EXPECT_FALSE(store.ReloadIfChanged());
  std::filesystem::remove(userFolder / "csca.cer");
  EXPECT_TRUE(store.ReloadIfChanged());
  EXPECT_TRUE(store.Material().Cscas.empty());
}

// Sets an environment variable for one scope; nullopt unsets it.
class TScopedEnv {
public:
  TScopedEnv(const char* name, std::optional<std::string> value) : Name_(name) {
    if (const char* old = std::getenv(name)) Old_ = old;
    if (value)
      setenv(name, value->c_str(), 1);
    else
      unsetenv(name);
  }
  ~TScopedEnv() {
    if (Old_)
      setenv(Name_, Old_->c_str(), 1);
    else
      unsetenv(Name_);
  }

private:
  const char* Name_;
  std::optional<std::string> Old_;
};

TEST(TrustStoreFolders, FollowTheEnvironment) {
  using TPaths = std::vector<std::filesystem::path>;
  {
    TScopedEnv store("ZELVAN_TRUST_STORE", "/srv/a::/srv/b");
    EXPECT_EQ(TrustStoreFolders(), (TPaths{"/srv/a", "/srv/b"}));
    EXPECT_EQ(UserTrustFolder(), "/srv/a");
  }
  TScopedEnv store("ZELVAN_TRUST_STORE", std::nullopt);
  {
    TScopedEnv data("XDG_DATA_HOME", "/data");
    EXPECT_EQ(TrustStoreFolders(), (TPaths{"/data/zelvan/trust", "/etc/zelvan/trust"}));
    EXPECT_EQ(UserTrustFolder(), "/data/zelvan/trust");
  }
  TScopedEnv data("XDG_DATA_HOME", std::nullopt);
  TScopedEnv home("HOME", "/home/op");
  EXPECT_EQ(TrustStoreFolders(), (TPaths{"/home/op/.local/share/zelvan/trust", "/etc/zelvan/trust"}));
}

// The sample trust store that scripts/run.sh gives the demo: the sample CSCA
// and its CRL, both read, nothing refused.
TEST(SampleTrustStore, LoadsTheSampleCscaAndItsCrl) {
  const TTrustStore store({std::filesystem::path(ZELVAN_SAMPLES_DIR) / "trust"});
  ASSERT_EQ(store.LoadLog().size(), 2u);
  EXPECT_TRUE(store.LoadLog()[0].starts_with(
      "utopia-sample-csca.crl: 1 CRL (C=UT, O=Utopia Sample PKI, CN=Utopia Sample CSCA, issued "))
      << store.LoadLog()[0];
  EXPECT_TRUE(store.LoadLog()[0].ends_with(", 1 revoked certificate)")) << store.LoadLog()[0];
  EXPECT_EQ(store.LoadLog()[1], "utopia-sample-csca.pem: 1 CSCA certificate");
  EXPECT_EQ(store.Material().Cscas.size(), 1u);
  EXPECT_EQ(store.Crls().size(), 1u);
}

}  // namespace
