// Passive Authentication on a PKI made in the test: one good reading, then
// one change per case, each with its own verdict, reason and telling line.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <span>
#include <string>
#include <utility>

#include "passiveauth/PassiveAuthentication.h"
#include "passiveauth/SodParser.h"
#include "support/TempFolder.h"
#include "support/TestPki.h"

using namespace testpki;

namespace {

const std::time_t kReadAt = Utc(2026, 6, 1);

struct TPki {
  TEvpPkeyPtr CscaKey = NewEcKey();
  TEvpPkeyPtr DsKey = NewEcKey();
  TX509Ptr Csca = MakeCertificate({"DE", "Test CSCA", Utc(2020, 1, 1), Utc(2035, 1, 1), true, 1}, CscaKey.get(),
                                  nullptr, CscaKey.get());
  TX509Ptr Ds = MakeCertificate({"DE", "Test DS", Utc(2021, 1, 1), Utc(2031, 1, 1), false, 2}, DsKey.get(), Csca.get(),
                                CscaKey.get());
  TX509Ptr ExpiredDs = MakeCertificate({"DE", "Old DS", Utc(2020, 1, 1), Utc(2025, 1, 1), false, 3}, DsKey.get(),
                                       Csca.get(), CscaKey.get());
  TEvpPkeyPtr OtherKey = NewEcKey();
  TX509Ptr OtherCsca = MakeCertificate({"DE", "Other CSCA", Utc(2020, 1, 1), Utc(2035, 1, 1), true, 4}, OtherKey.get(),
                                       nullptr, OtherKey.get());
  // A CSCA that changed its key: the old self-signed one and the link
  // certificate (same name, new key, signed by the old key).
  TEvpPkeyPtr OldRootKey = NewEcKey();
  TEvpPkeyPtr NewRootKey = NewEcKey();
  TX509Ptr OldRoot = MakeCertificate({"DE", "Link CSCA", Utc(2018, 1, 1), Utc(2033, 1, 1), true, 10}, OldRootKey.get(),
                                     nullptr, OldRootKey.get());
  TX509Ptr Link = MakeCertificate({"DE", "Link CSCA", Utc(2022, 1, 1), Utc(2033, 1, 1), true, 11}, NewRootKey.get(),
                                  OldRoot.get(), OldRootKey.get());
  TEvpPkeyPtr ListSignerKey = NewEcKey();
  TX509Ptr ListSigner = MakeCertificate({"DE", "Master List Signer", Utc(2021, 1, 1), Utc(2031, 1, 1), false, 20},
                                        ListSignerKey.get(), Csca.get(), CscaKey.get());
};

const TPki& Pki() {
  static const TPki pki;
  return pki;
}

struct TCase {
  std::map<int, TBytes> SignedGroups;
  X509* Signer = nullptr;
  EVP_PKEY* SignerKey = nullptr;
  TReadingEvidence Evidence;
  std::vector<std::pair<std::string, TBytes>> StoreFiles;

  void Sign() {
    Evidence.SodPresence = TSodPresence::Read;
    Evidence.Sod = MakeSod(SignedGroups, Signer, SignerKey);
  }
};

// DG1 and DG2 read and listed, signed by the DS under the CSCA in the store.
TCase GoodReading() {
  TCase reading;
  reading.SignedGroups = {{1, {0x61, 0x05, 0x5F, 0x1F, 0x02, 'D', '<'}}, {2, {0x75, 0x04, 0x7F, 0x61, 0x01, 0x00}}};
  reading.Signer = Pki().Ds.get();
  reading.SignerKey = Pki().DsKey.get();
  reading.Sign();
  reading.Evidence.DataGroups = reading.SignedGroups;
  reading.Evidence.IssuingState = "D<<";
  reading.Evidence.ReadAt = std::chrono::system_clock::from_time_t(kReadAt);
  reading.StoreFiles = {{"csca.der", Der(Pki().Csca.get())}};
  return reading;
}

CMS_SignerInfo* OnlySigner(CMS_ContentInfo* cms) { return sk_CMS_SignerInfo_value(CMS_get0_SignerInfos(cms), 0); }

// The bytes of the SOD's messageDigest attribute or of its signature.
TBytes SignerField(const TBytes& sod, bool messageDigest) {
  auto parsed = std::get<TParsedSod>(ParseSod(sod));
  CMS_SignerInfo* signer = OnlySigner(parsed.Cms.get());
  const ASN1_OCTET_STRING* value = messageDigest
                                       ? static_cast<const ASN1_OCTET_STRING*>(CMS_signed_get0_data_by_OBJ(
                                             signer, OBJ_nid2obj(NID_pkcs9_messageDigest), -3, V_ASN1_OCTET_STRING))
                                       : CMS_SignerInfo_get0_signature(signer);
  return TBytes(ASN1_STRING_get0_data(value), ASN1_STRING_get0_data(value) + ASN1_STRING_length(value));
}

// One BER element of a test fixture: single-byte tag, definite length.
struct TTlv {
  std::uint8_t Tag = 0;
  TBytes Content;
  std::size_t Size = 0;  // of the whole element as read
  TBytes Whole;          // the whole element as read
};

TTlv ReadTlv(std::span<const std::uint8_t> bytes) {
  std::size_t length = bytes[1];
  std::size_t header = 2;
  if (length & 0x80) {
    const std::size_t count = length & 0x7F;
    length = 0;
    for (std::size_t i = 0; i < count; ++i) length = length << 8 | bytes[2 + i];
    header += count;
  }
  const auto at = [&](std::size_t offset) { return bytes.begin() + static_cast<long>(offset); };
  return {bytes[0], TBytes(at(header), at(header + length)), header + length, TBytes(at(0), at(header + length))};
}

TBytes Encode(std::uint8_t tag, const TBytes& content, bool longForm = false) {
  TBytes out{tag};
  const std::size_t n = content.size();
  if (n < 0x80 && !longForm) {
    out.push_back(static_cast<std::uint8_t>(n));
  } else {
    TBytes digits;
    for (std::size_t v = n; v > 0; v >>= 8) digits.insert(digits.begin(), static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(0x80 | digits.size()));
    out.insert(out.end(), digits.begin(), digits.end());
  }
  out.insert(out.end(), content.begin(), content.end());
  return out;
}

std::vector<TTlv> Children(const TBytes& content) {
  std::vector<TTlv> children;
  for (std::size_t at = 0; at < content.size();) {
    children.push_back(ReadTlv(std::span<const std::uint8_t>(content).subspan(at)));
    at += children.back().Size;
  }
  return children;
}

// The element with `change` applied to the descendant at `path` (child
// indexes, negative from the end), every length on the way encoded again.
TBytes Rewrite(const TBytes& element, std::span<const int> path, const std::function<TBytes(const TTlv&)>& change) {
  const TTlv tlv = ReadTlv(element);
  if (path.empty()) return change(tlv);
  std::vector<TTlv> children = Children(tlv.Content);
  const std::size_t index = path[0] >= 0 ? static_cast<std::size_t>(path[0]) : children.size() + path[0];
  TBytes content;
  for (std::size_t i = 0; i < children.size(); ++i) {
    const TBytes& child = children[i].Whole;  // as it was: only the path is encoded again
    const TBytes part = i == index ? Rewrite(child, path.subspan(1), change) : child;
    content.insert(content.end(), part.begin(), part.end());
  }
  return Encode(tlv.Tag, content);
}

// EF.SOD as a signer that encodes the length of its signed attributes in
// the long form would send it (BER; DER wants the short form below 128), the
// signature made over exactly those bytes, as such signers do. OpenSSL
// verifies over its DER re-encoding, whose length octets differ.
TBytes WithBerSignedAttributes(const TBytes& sod, EVP_PKEY* key) {
  TBytes signedBytes;
  // 77 { ContentInfo { type, [0] { SignedData { ..., signerInfos { SignerInfo { ..., [0] attrs } } } } } }
  const int toAttributes[] = {0, 1, 0, -1, 0, 3};
  const TBytes longForm = Rewrite(sod, toAttributes, [&](const TTlv& attributes) {
    signedBytes = Encode(0x31, attributes.Content, true);
    return Encode(0xA0, attributes.Content, true);
  });
  EVP_MD_CTX* context = EVP_MD_CTX_new();
  TBytes signature(EVP_PKEY_get_size(key));
  std::size_t length = signature.size();
  EXPECT_EQ(EVP_DigestSignInit(context, nullptr, EVP_sha256(), nullptr, key), 1);
  EXPECT_EQ(EVP_DigestSign(context, signature.data(), &length, signedBytes.data(), signedBytes.size()), 1);
  EVP_MD_CTX_free(context);
  signature.resize(length);
  // The signature: the OCTET STRING after the signature algorithm, SignerInfo's sixth field.
  const int toSignature[] = {0, 1, 0, -1, 0, 5};
  return Rewrite(longForm, toSignature, [&](const TTlv&) { return Encode(0x04, signature); });
}

void ResignWith(TCase& reading, X509* signer, EVP_PKEY* key) {
  reading.Signer = signer;
  reading.SignerKey = key;
  reading.Sign();
}

struct TVerdictCase {
  const char* Name;
  std::function<void(TCase&)> Change;
  TPaVerdict Verdict;
  const char* Reason;
  const char* Line;  // a line that must be in the log, from its start
};

const TVerdictCase kCases[] = {
    {"good reading", [](TCase&) {}, TPaVerdict::Passed, "",
     "CSCA: trusted (C=DE, CN=Test CSCA; revocation not checked: no CRL for this CSCA)"},
    {"one byte changed in a data group", [](TCase& c) { c.Evidence.DataGroups[2][5] ^= 0x01; }, TPaVerdict::Failed,
     "DG2 hash mismatch", "DG2 hash: MISMATCH"},
    {"one byte changed in the messageDigest",
     [](TCase& c) { ASSERT_TRUE(FlipInside(c.Evidence.Sod, SignerField(c.Evidence.Sod, true))); }, TPaVerdict::Failed,
     "SOD signature invalid", "SOD signature: INVALID (ECDSA with SHA256: the messageDigest attribute does not match"},
    {"one byte changed in the signature",
     [](TCase& c) { ASSERT_TRUE(FlipInside(c.Evidence.Sod, SignerField(c.Evidence.Sod, false))); }, TPaVerdict::Failed,
     "SOD signature invalid", "SOD signature: INVALID (ECDSA with SHA256: the signature does not verify"},
    {"unknown CSCA",
     [](TCase& c) {
       c.StoreFiles = {{"other.pem", Der(Pki().OtherCsca.get())}};
     },
     TPaVerdict::Incomplete, "CSCA not in the trust store", "CSCA: not in the trust store (issuer C=DE, CN=Test CSCA)"},
    {"empty trust store", [](TCase& c) { c.StoreFiles.clear(); }, TPaVerdict::Incomplete, "CSCA not in the trust store",
     "CSCA: not in the trust store"},
    {"expired document signer", [](TCase& c) { ResignWith(c, Pki().ExpiredDs.get(), Pki().DsKey.get()); },
     TPaVerdict::Failed, "certificate expired",
     "CSCA: EXPIRED (the document signer certificate expired on 2025-01-01)"},
    {"revoked document signer",
     [](TCase& c) {
       c.StoreFiles.emplace_back("csca.crl",
                                 Der(MakeCrl(Pki().Csca.get(), Pki().CscaKey.get(), {Pki().Ds.get()}, kReadAt).get()));
     },
     TPaVerdict::Failed, "document signer revoked", "CSCA: REVOKED"},
    {"CRL that does not list the document signer",
     [](TCase& c) {
       c.StoreFiles.emplace_back(
           "csca.crl", Der(MakeCrl(Pki().Csca.get(), Pki().CscaKey.get(), {Pki().ExpiredDs.get()}, kReadAt).get()));
     },
     TPaVerdict::Passed, "", "CSCA: trusted (C=DE, CN=Test CSCA; not revoked according to its CRL)"},
    // A CSCA that changed its key signs its CRL with the new key; documents
    // under the old key stay valid: the CRL still covers them.
    {"document signer under the old key, CRL signed with the new key",
     [](TCase& c) {
       static const TX509Ptr ds = MakeCertificate({"DE", "Old key DS", Utc(2019, 1, 1), Utc(2031, 1, 1), false, 33},
                                                  Pki().DsKey.get(), Pki().OldRoot.get(), Pki().OldRootKey.get());
       ResignWith(c, ds.get(), Pki().DsKey.get());
       c.StoreFiles = {{"old-root.pem", Der(Pki().OldRoot.get())},
                       {"link.cer", Der(Pki().Link.get())},
                       {"new.crl", Der(MakeCrl(Pki().Link.get(), Pki().NewRootKey.get(), {}, kReadAt).get())}};
     },
     TPaVerdict::Passed, "", "CSCA: trusted (C=DE, CN=Link CSCA; not revoked according to its CRL)"},
    {"document signer under the old key, revoked on the CRL signed with the new key",
     [](TCase& c) {
       static const TX509Ptr ds = MakeCertificate({"DE", "Old key DS", Utc(2019, 1, 1), Utc(2031, 1, 1), false, 34},
                                                  Pki().DsKey.get(), Pki().OldRoot.get(), Pki().OldRootKey.get());
       ResignWith(c, ds.get(), Pki().DsKey.get());
       c.StoreFiles = {{"old-root.pem", Der(Pki().OldRoot.get())},
                       {"link.cer", Der(Pki().Link.get())},
                       {"new.crl", Der(MakeCrl(Pki().Link.get(), Pki().NewRootKey.get(), {ds.get()}, kReadAt).get())}};
     },
     TPaVerdict::Failed, "document signer revoked",
     "CSCA: REVOKED (the document signer certificate is on its CSCA's CRL)"},
    {"document signer under a link certificate, CRL of the old key",
     [](TCase& c) {
       static const TX509Ptr ds = MakeCertificate({"DE", "Linked DS", Utc(2023, 1, 1), Utc(2031, 1, 1), false, 35},
                                                  Pki().DsKey.get(), Pki().Link.get(), Pki().NewRootKey.get());
       ResignWith(c, ds.get(), Pki().DsKey.get());
       c.StoreFiles = {{"old-root.pem", Der(Pki().OldRoot.get())},
                       {"link.cer", Der(Pki().Link.get())},
                       {"old.crl", Der(MakeCrl(Pki().OldRoot.get(), Pki().OldRootKey.get(), {}, kReadAt).get())}};
     },
     TPaVerdict::Passed, "", "CSCA: trusted (C=DE, CN=Link CSCA; not revoked according to its CRL)"},
    {"CRL under the CSCA's name signed by another key",
     [](TCase& c) {
       c.StoreFiles.emplace_back("forged.crl",
                                 Der(MakeCrl(Pki().Csca.get(), Pki().OtherKey.get(), {Pki().Ds.get()}, kReadAt).get()));
     },
     TPaVerdict::Passed, "",
     "CSCA: trusted (C=DE, CN=Test CSCA; revocation not checked: its CRL's signature verifies under no CSCA key of "
     "that name)"},
    {"CRL with one byte of its signature changed",
     [](TCase& c) {
       TBytes crl = Der(MakeCrl(Pki().Csca.get(), Pki().CscaKey.get(), {}, kReadAt).get());
       crl[crl.size() - 3] ^= 0x01;
       c.StoreFiles.emplace_back("broken.crl", crl);
     },
     TPaVerdict::Passed, "",
     "CSCA: trusted (C=DE, CN=Test CSCA; revocation not checked: its CRL's signature verifies under no CSCA key of "
     "that name)"},
    {"CRL past its next update",
     [](TCase& c) {
       c.StoreFiles.emplace_back("old.crl",
                                 Der(MakeCrl(Pki().Csca.get(), Pki().CscaKey.get(), {}, Utc(2025, 12, 1)).get()));
     },
     TPaVerdict::Passed, "",
     "CSCA: trusted (C=DE, CN=Test CSCA; not revoked according to its CRL, which expired on 2026-03-01)"},
    {"revoked on a CRL past its next update",
     [](TCase& c) {
       c.StoreFiles.emplace_back(
           "old.crl", Der(MakeCrl(Pki().Csca.get(), Pki().CscaKey.get(), {Pki().Ds.get()}, Utc(2025, 12, 1)).get()));
     },
     TPaVerdict::Failed, "document signer revoked", "CSCA: REVOKED"},
    {"two signers",
     [](TCase& c) {
       c.Evidence.Sod = MakeSodSignedBy(
           c.SignedGroups, {{Pki().Ds.get(), Pki().DsKey.get()}, {Pki().ExpiredDs.get(), Pki().DsKey.get()}});
     },
     TPaVerdict::Failed, "SOD signature invalid", "SOD signature: INVALID (expected one signer, found 2)"},
    {"hashes over MD5",
     [](TCase& c) {
       c.Evidence.Sod = MakeSodSignedBy(c.SignedGroups, {{Pki().Ds.get(), Pki().DsKey.get()}}, true, "MD5", "SHA256");
     },
     TPaVerdict::Failed, "unsupported digest MD5", "DG1 hash: not checked (unsupported digest MD5)"},
    {"signature over MD5",
     [](TCase& c) {
       static const TEvpPkeyPtr key = NewRsaKey(1024);
       static const TX509Ptr ds = MakeCertificate({"DE", "RSA DS", Utc(2021, 1, 1), Utc(2031, 1, 1), false, 36},
                                                  key.get(), Pki().Csca.get(), Pki().CscaKey.get());
       c.Evidence.Sod = MakeSodSignedBy(c.SignedGroups, {{ds.get(), key.get()}}, true, "SHA256", "MD5");
     },
     TPaVerdict::Failed, "SOD signature invalid",
     "SOD signature: INVALID (RSA PKCS#1 v1.5 with MD5: unsupported digest MD5)"},
    {"signed attributes in BER, signed as received",
     [](TCase& c) {
       static const TEvpPkeyPtr key = NewRsaKey(1024);
       static const TX509Ptr ds = MakeCertificate({"DE", "BER DS", Utc(2021, 1, 1), Utc(2031, 1, 1), false, 37},
                                                  key.get(), Pki().Csca.get(), Pki().CscaKey.get());
       ResignWith(c, ds.get(), key.get());
       c.Evidence.Sod = WithBerSignedAttributes(c.Evidence.Sod, key.get());
     },
     TPaVerdict::Passed, "",
     "SOD signature: valid (RSA PKCS#1 v1.5 with SHA256; over the signed attributes as received, which are not DER)"},
    {"data group read but not listed",
     [](TCase& c) {
       c.Evidence.DataGroups[3] = {0x63, 0x00};
     },
     TPaVerdict::Failed, "DG3 not listed in EF.SOD", "DG3 hash: not listed"},
    {"issuing state of another country", [](TCase& c) { c.Evidence.IssuingState = "FRA"; }, TPaVerdict::Failed,
     "issuing state mismatch", "Issuing state: MISMATCH (DG1 FRA = FR, document signer DE, CSCA DE)"},
    {"issuing state without a two-letter code", [](TCase& c) { c.Evidence.IssuingState = "UTO"; }, TPaVerdict::Passed,
     "", "Issuing state: not checked (UTO has no two-letter country code)"},
    {"ICAO's code D for Germany", [](TCase&) {}, TPaVerdict::Passed, "",
     "Issuing state: match (DG1 D<< = DE, document signer DE, CSCA DE)"},
    {"explicit EC parameters of no named curve",
     [](TCase& c) {
       static const TEvpPkeyPtr key = NewExplicitP256Key(true);
       static const TX509Ptr ds = MakeCertificate({"DE", "Odd curve DS", Utc(2021, 1, 1), Utc(2031, 1, 1), false, 30},
                                                  key.get(), Pki().Csca.get(), Pki().CscaKey.get());
       ResignWith(c, ds.get(), key.get());
     },
     TPaVerdict::Failed, "certificate chain invalid",
     "CSCA: chain INVALID (Certificate public key has explicit ECC parameters (error 94"},
    {"explicit EC parameters equal to P-256",
     [](TCase& c) {
       static const TEvpPkeyPtr key = NewExplicitP256Key(false);
       static const TX509Ptr ds =
           MakeCertificate({"DE", "Explicit P-256 DS", Utc(2021, 1, 1), Utc(2031, 1, 1), false, 31}, key.get(),
                           Pki().Csca.get(), Pki().CscaKey.get());
       ResignWith(c, ds.get(), key.get());
     },
     TPaVerdict::Passed, "", "SOD signature: valid (ECDSA with SHA256)"},
    {"master list",
     [](TCase& c) {
       c.StoreFiles = {
           {"list.ml", MakeMasterList({Pki().Csca.get()}, Pki().ListSigner.get(), Pki().ListSignerKey.get())}};
     },
     TPaVerdict::Passed, "", "CSCA: trusted (C=DE, CN=Test CSCA;"},
    {"master list with one byte changed",
     [](TCase& c) {
       TBytes list = MakeMasterList({Pki().Csca.get()}, Pki().ListSigner.get(), Pki().ListSignerKey.get());
       const std::string name = "Test CSCA";
       ASSERT_TRUE(FlipInside(list, TBytes(name.begin(), name.end())));
       c.StoreFiles = {{"list.ml", list}};
     },
     TPaVerdict::Incomplete, "CSCA not in the trust store", "CSCA: not in the trust store"},
    {"garbage after the 0x77 header",
     [](TCase& c) {
       for (std::size_t i = 4; i < c.Evidence.Sod.size(); ++i) c.Evidence.Sod[i] = static_cast<std::uint8_t>(i * 37);
     },
     TPaVerdict::Failed, "EF.SOD malformed", "EF.SOD: unreadable, no CMS structure inside its 0x77 wrapper"},
    {"bytes after the 0x77 wrapper", [](TCase& c) { c.Evidence.Sod.push_back(0x00); }, TPaVerdict::Failed,
     "EF.SOD malformed", "EF.SOD: unreadable, bytes after the end of its 0x77 wrapper"},
    {"document signer under a link certificate",
     [](TCase& c) {
       static const TX509Ptr ds = MakeCertificate({"DE", "Linked DS", Utc(2023, 1, 1), Utc(2031, 1, 1), false, 32},
                                                  Pki().DsKey.get(), Pki().Link.get(), Pki().NewRootKey.get());
       ResignWith(c, ds.get(), Pki().DsKey.get());
       c.StoreFiles = {{"old-root.pem", Der(Pki().OldRoot.get())}, {"link.cer", Der(Pki().Link.get())}};
     },
     TPaVerdict::Passed, "", "CSCA: trusted (C=DE, CN=Link CSCA;"},
    {"no EF.SOD on the chip",
     [](TCase& c) {
       c.Evidence.SodPresence = TSodPresence::Absent;
       c.Evidence.Sod.clear();
     },
     TPaVerdict::Incomplete, "no EF.SOD on the chip", "EF.SOD: not on the chip"},
    {"EF.SOD cut off",
     [](TCase& c) {
       c.Evidence.SodPresence = TSodPresence::CutOff;
       c.Evidence.Sod.resize(100);
     },
     TPaVerdict::Incomplete, "EF.SOD not read whole", "EF.SOD: cut off after 100 bytes (the card left)"},
    {"EF.SOD not read at all",
     [](TCase& c) {
       c.Evidence.SodPresence = TSodPresence::Unreadable;
       c.Evidence.Sod.clear();
     },
     TPaVerdict::Incomplete, "EF.SOD not read", "EF.SOD: not read (the card left or the chip refused it)"},
};

void PrintTo(const TVerdictCase& verdictCase, std::ostream* out) { *out << verdictCase.Name; }

class VerdictCases : public ::testing::TestWithParam<TVerdictCase> {};

std::string LogText(const TPaResult& result) {
  std::string text;
  for (const TPaLine& line : result.Lines) text += line.Text + "\n";
  return text;
}

TEST_P(VerdictCases, GiveTheirOwnVerdictReasonAndLine) {
  TCase reading = GoodReading();
  GetParam().Change(reading);
  TTempFolder store;
  for (const auto& [name, bytes] : reading.StoreFiles) WriteFile(store.Path() / name, bytes);

  const TPaResult result = VerifyPassiveAuthentication(reading.Evidence, TTrustStore({store.Path()}));

  EXPECT_EQ(result.Verdict, GetParam().Verdict) << LogText(result);
  EXPECT_EQ(result.Reason, GetParam().Reason) << LogText(result);
  bool found = false;
  for (const TPaLine& line : result.Lines) found = found || line.Text.starts_with(GetParam().Line);
  EXPECT_TRUE(found) << "no line starting with \"" << GetParam().Line << "\" in\n" << LogText(result);
  ASSERT_FALSE(result.Lines.empty());
  const std::string verdictLine = GetParam().Verdict == TPaVerdict::Passed   ? "Passive authentication: PASSED"
                                  : GetParam().Verdict == TPaVerdict::Failed ? "Passive authentication: FAILED ("
                                                                             : "Passive authentication: INCOMPLETE (";
  EXPECT_TRUE(result.Lines.back().Text.starts_with(verdictLine)) << result.Lines.back().Text;
}

// Each data group compared: matched, differing, or not listed in EF.SOD at
// all, each with the line the window shows beside its boxes.
TEST(HashComparisons, TellAMismatchFromAGroupNotListed) {
  TCase reading = GoodReading();
  reading.Evidence.DataGroups[2][5] ^= 0x01;
  reading.Evidence.DataGroups[3] = {0x63, 0x00};
  TTempFolder store;
  for (const auto& [name, bytes] : reading.StoreFiles) WriteFile(store.Path() / name, bytes);
  const TPaResult result = VerifyPassiveAuthentication(reading.Evidence, TTrustStore({store.Path()}));
  EXPECT_EQ(result.HashMatches, (std::map<int, bool>{{1, true}, {2, false}, {3, false}})) << LogText(result);
  EXPECT_EQ(result.NotListed, std::set<int>{3}) << LogText(result);
  EXPECT_EQ(result.HashLines,
            (std::map<int, std::string>{
                {1, "DG1 hash: match"}, {2, "DG2 hash: MISMATCH"}, {3, "DG3 hash: not listed in EF.SOD"}}));
}

// The colours: failures red, the PASSED verdict green, everything else navy.
TEST(VerdictLines, FailuresAreRedPassedIsGreenTheRestNavy) {
  for (const auto& verdictCase : kCases) {
    TCase reading = GoodReading();
    verdictCase.Change(reading);
    TTempFolder store;
    for (const auto& [name, bytes] : reading.StoreFiles) WriteFile(store.Path() / name, bytes);
    const TPaResult result = VerifyPassiveAuthentication(reading.Evidence, TTrustStore({store.Path()}));
    for (const TPaLine& line : result.Lines) {
      const bool failure =
          line.Text.find("INVALID") != std::string::npos || line.Text.find("MISMATCH") != std::string::npos ||
          line.Text.find(": not listed") != std::string::npos || line.Text.find("EXPIRED") != std::string::npos ||
          line.Text.find("REVOKED") != std::string::npos || line.Text.starts_with("EF.SOD: unreadable") ||
          line.Text.find("FAILED") != std::string::npos || line.Text.find("unsupported digest") != std::string::npos;
      const TPaLineKind expected = failure                                         ? TPaLineKind::Failure
                                   : line.Text == "Passive authentication: PASSED" ? TPaLineKind::Passed
                                                                                   : TPaLineKind::Info;
      EXPECT_EQ(line.Kind, expected) << verdictCase.Name << ": " << line.Text;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Table, VerdictCases, ::testing::ValuesIn(kCases), [](const auto& info) {
  std::string name;
  for (const char c : std::string(info.param.Name)) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
});

}  // namespace
