// Writes the seed corpora of the trust layer's fuzz targets:
//   zelvan-fuzz-trust-corpus <real EF.SOD folder> <corpus folder>
// The real EF.SOD files of the tests, and EF.SOD files, a master list and a
// PKD LDIF made with the test PKI (a CSCA, a link certificate, a document
// signer and a CRL); DG15 files and Active Authentication answers, from the
// recorded passport and keys of the test PKI.
#include <filesystem>
#include <iostream>

#include <openssl/x509.h>

#include "support/Hex.h"
#include "support/RecordedActiveAuthentication.h"
#include "support/TestPki.h"

namespace {

namespace fs = std::filesystem;
using namespace testpki;

std::string Text(const TBytes& bytes) { return std::string(bytes.begin(), bytes.end()); }
TBytes Bytes(const std::string& text) { return TBytes(text.begin(), text.end()); }

// DG15 holding the key: 6F 82 LL LL and its SubjectPublicKeyInfo.
TBytes Dg15Of(EVP_PKEY* key) {
  unsigned char* der = nullptr;
  const int length = i2d_PUBKEY(key, &der);
  TBytes dg15{0x6F, 0x82, static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length & 0xFF)};
  dg15.insert(dg15.end(), der, der + length);
  OPENSSL_free(der);
  return dg15;
}

void WriteActiveAuthenticationSeeds(const fs::path& corpus) {
  WriteFile(corpus / "dg15" / "recorded-rsa1792", Hex(kRecordedDg15));
  WriteFile(corpus / "dg15" / "p256", Hex(kP256Dg15));
  WriteFile(corpus / "dg15" / "rsa1024", Dg15Of(NewRsaKey(1024).get()));
  WriteFile(corpus / "dg15" / "brainpoolp384r1", Dg15Of(NewEcKey("brainpoolP384r1").get()));
  WriteFile(corpus / "dg15" / "p256-explicit", Dg15Of(NewExplicitP256Key(false).get()));

  const TBytes signature = Hex(kRecordedSignature);
  WriteFile(corpus / "aa_answer" / "representative", Concat({{0x00}, Hex(kRecordedRepresentative)}));
  WriteFile(corpus / "aa_answer" / "rsa-signature", Concat({{0x01}, signature}));
  WriteFile(corpus / "aa_answer" / "ecdsa-signature", Concat({{0x02}, TBytes(64, 0x01)}));
  WriteFile(corpus / "aa_answer" / "plain-answer", Concat({{0x03}, signature, {0x90, 0x00}}));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: zelvan-fuzz-trust-corpus <real EF.SOD folder> <corpus folder>\n";
    return 2;
  }
  const fs::path realSods = argv[1];
  const fs::path corpus = argv[2];
  for (const auto& entry : fs::directory_iterator(realSods))
    WriteFile(corpus / "sod" / entry.path().stem(), ReadFile(entry.path()));

  const auto cscaKey = NewEcKey("brainpoolP256r1");
  const auto newKey = NewEcKey();
  const auto dsKey = NewEcKey();
  const auto csca = MakeCertificate({"UT", "Seed CSCA", Utc(2020, 1, 1), Utc(2035, 1, 1), true, 1}, cscaKey.get(),
                                    nullptr, cscaKey.get());
  const auto link = MakeCertificate({"UT", "Seed CSCA", Utc(2022, 1, 1), Utc(2035, 1, 1), true, 2}, newKey.get(),
                                    csca.get(), cscaKey.get());
  const auto ds = MakeCertificate({"UT", "Seed DS", Utc(2023, 1, 1), Utc(2033, 1, 1), false, 3}, dsKey.get(),
                                  link.get(), newKey.get());
  const std::map<int, TBytes> groups{{1, {0x61, 0x01, 0x00}}, {2, {0x75, 0x01, 0x00}}, {14, {0x6E, 0x01, 0x00}}};
  WriteFile(corpus / "sod" / "generated", MakeSod(groups, ds.get(), dsKey.get(), true, "SHA256"));
  WriteFile(corpus / "sod" / "generated-no-signer", MakeSod(groups, ds.get(), dsKey.get(), false, "SHA384"));

  const TBytes list = MakeMasterList({csca.get(), link.get()}, ds.get(), dsKey.get());
  WriteFile(corpus / "master_list" / "generated", list);

  const auto crl = MakeCrl(link.get(), newKey.get(), {ds.get()}, Utc(2026, 1, 1));
  const std::string ldif = "version: 1\n\ndn: cn=UT,o=ml,c=UT,dc=data,dc=download,dc=pkdDownload\n" +
                           LdifValue("pkdMasterListContent", list) +
                           "\ndn: cn=Seed CSCA,o=csca,c=UT,dc=data,dc=download,dc=pkdDownload\n" +
                           LdifValue("userCertificate;binary", Der(csca.get())) +
                           "\ndn: cn=Seed DS,o=dsc,c=UT,dc=data,dc=download,dc=pkdDownload\n" +
                           LdifValue("userCertificate;binary", Der(ds.get())) +
                           "\ndn: cn=Seed CSCA,o=crl,c=UT,dc=data,dc=download,dc=pkdDownload\n" +
                           LdifValue("certificateRevocationList;binary", Der(crl.get()));
  WriteFile(corpus / "ldif" / "generated-pkd", Bytes(ldif));
  WriteActiveAuthenticationSeeds(corpus);
  return Text(ReadFile(corpus / "ldif" / "generated-pkd")) == ldif ? 0 : 1;
}
