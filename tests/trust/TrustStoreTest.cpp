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

// What the store needs of the rest of the store: a document signer is never
// an anchor, a master list needs a CSCA of its signer's country, a CRL the
// key of a CSCA of its issuer's name; an import never replaces another file.
TEST(TrustImport, TakesOnlyAnchorsCertifiedListsAndSignedCrlsAndKeepsOtherFiles) {
  static const TEvpPkeyPtr foreignKey = NewEcKey();
  static const TX509Ptr foreignCsca = MakeCertificate({"BE", "Foreign CSCA", Utc(2020, 1, 1), Utc(2035, 1, 1), true, 7},
                                                      foreignKey.get(), nullptr, foreignKey.get());
  static const TX509Ptr frenchSigner =
      MakeCertificate({"FR", "French List Signer", Utc(2021, 1, 1), Utc(2031, 1, 1), false, 8}, Pki().DsKey.get(),
                      Pki().Csca.get(), Pki().CscaKey.get());
  TTempFolder sources;
  TTempFolder user;
  const auto crl = MakeCrl(Pki().Csca.get(), Pki().CscaKey.get(), {}, kReadAt);
  WriteFile(sources.Path() / "ds.cer", Der(Pki().Ds.get()));
  WriteFile(sources.Path() / "french.ml", MakeMasterList({foreignCsca.get()}, frenchSigner.get(), Pki().DsKey.get()));
  WriteFile(sources.Path() / "dutch.ml",
            MakeMasterList({foreignCsca.get()}, Pki().ListSigner.get(), Pki().DsKey.get()));
  WriteFile(sources.Path() / "store.crl", Der(crl.get()));
  const std::vector<std::filesystem::path> files{sources.Path() / "ds.cer", sources.Path() / "french.ml",
                                                 sources.Path() / "dutch.ml", sources.Path() / "store.crl"};

  // Without the Dutch CSCA, neither the Dutch list nor its CRL can be vouched for.
  const auto alone = ImportTrustFiles(files, user.Path());
  ASSERT_EQ(alone.size(), 4u);
  EXPECT_EQ(alone[0], "Not imported ds.cer: not a CA certificate (CA:FALSE in its basic constraints)");
  EXPECT_TRUE(
      alone[1].starts_with("Not imported french.ml: master list of 1 CSCA certificate, signature valid, "
                           "signed by C=FR, CN=French List Signer"))
      << alone[1];
  EXPECT_TRUE(alone[1].ends_with("; not used (signer not certified by a CSCA of FR)")) << alone[1];
  EXPECT_TRUE(alone[2].ends_with("; not used (signer not certified by a CSCA of NL)")) << alone[2];
  EXPECT_EQ(alone[3],
            "Not imported store.crl: 1 CRL (C=NL, CN=Store CSCA, issued 2026-06-01, 0 revoked certificates); the CRL "
            "of C=NL, CN=Store CSCA is not used (its signature verifies under no CSCA key of that name)");

  // With it in the store, both are taken; the French list's signer is Dutch-certified but French: still refused.
  std::vector<X509*> storeCscas{Pki().Csca.get()};
  const auto withStore = ImportTrustFiles(files, user.Path(), storeCscas);
  EXPECT_TRUE(withStore[1].starts_with("Not imported french.ml")) << withStore[1];
  EXPECT_TRUE(
      withStore[2].starts_with("Imported dutch.ml: master list of 1 CSCA certificate, signature valid, "
                               "signed by C=NL, CN=List Signer (certified by C=NL, CN=Store CSCA of the "
                               "trust store)"))
      << withStore[2];
  EXPECT_EQ(withStore[3], "Imported store.crl: 1 CRL (C=NL, CN=Store CSCA, issued 2026-06-01, 0 revoked certificates)");

  // The same file again stays one file; a different file of the same name goes in beside it.
  EXPECT_TRUE(ImportTrustFiles(std::vector{files[3]}, user.Path(), storeCscas)[0].starts_with("Imported store.crl: "));
  WriteFile(sources.Path() / "store.crl",
            Der(MakeCrl(Pki().Csca.get(), Pki().CscaKey.get(), {Pki().Ds.get()}, kReadAt + 86400).get()));
  EXPECT_TRUE(ImportTrustFiles(std::vector{files[3]}, user.Path(), storeCscas)[0].starts_with(
      "Imported store.crl as store-2.crl: 1 CRL"));
  EXPECT_EQ(ReadFile(user.Path() / "store.crl"), Der(crl.get()));
  EXPECT_EQ(ReadFile(user.Path() / "store-2.crl"), ReadFile(sources.Path() / "store.crl"));

  // The store reads the list and the CRLs with the CSCA of another file.
  WriteFile(user.Path() / "csca.cer", Der(Pki().Csca.get()));
  const TTrustStore store({user.Path()});
  EXPECT_EQ(store.Material().Cscas.size(), 2u);  // the Dutch CSCA and the foreign one of the list
  EXPECT_EQ(store.Crls().size(), 2u);
  EXPECT_EQ(VerifyPassiveAuthentication(Reading(true), store).Reason, "document signer revoked");
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
