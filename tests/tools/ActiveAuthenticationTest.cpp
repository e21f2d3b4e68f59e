// Active Authentication on the simulated chip, checked with libcrypto's own
// operations: the RSA answer opened by the raw public operation and taken
// apart as ISO/IEC 9796-2 scheme 1 with partial recovery; the ECDSA answer
// (plain r || s) verified after conversion to DER with the hash DG14 names.
// A clone's answers fail the same checks.

#include <gtest/gtest.h>

#include <openssl/ec.h>
#include <openssl/rsa.h>

#include "ChipHarness.h"
#include "TerminalSecureMessaging.h"
#include "TestKeys.h"
#include "crypto/OpenSslPointers.h"

namespace simchip::testing {
namespace {

const TBytes kChallenge = Hex("4608F91988702212");

// DG14 holding only an ActiveAuthenticationInfo (version 1) with this signature algorithm OID.
TBytes Dg14WithActiveAuthenticationInfo(const TBytes& signatureOid) {
  const TBytes info = Concat(
      {Hex("0606 678108010105"), Hex("020101"), {0x06, static_cast<std::uint8_t>(signatureOid.size())}, signatureOid});
  const TBytes sequence = Concat({{0x30, static_cast<std::uint8_t>(info.size())}, info});
  const TBytes set = Concat({{0x31, static_cast<std::uint8_t>(sequence.size())}, sequence});
  return Concat({{0x6E, static_cast<std::uint8_t>(set.size())}, set});
}

TBytes Digest(const EVP_MD* digest, const TBytes& data) {
  TBytes out(EVP_MAX_MD_SIZE);
  unsigned int length = 0;
  EVP_Digest(data.data(), data.size(), out.data(), &length, digest, nullptr);
  out.resize(length);
  return out;
}

// Raw RSA public operation, then header 6A, M1, H(M1 || challenge) and the trailer.
bool Iso9796Verifies(EVP_PKEY& key, const TBytes& signature, const EVP_MD* digest, const TBytes& trailer) {
  TEvpPkeyCtxPtr context(EVP_PKEY_CTX_new(&key, nullptr));
  TBytes recovered(signature.size());
  std::size_t length = recovered.size();
  if (EVP_PKEY_verify_recover_init(context.get()) != 1 ||
      EVP_PKEY_CTX_set_rsa_padding(context.get(), RSA_NO_PADDING) != 1 ||
      EVP_PKEY_verify_recover(context.get(), recovered.data(), &length, signature.data(), signature.size()) != 1)
    return false;
  const std::size_t hashLength = static_cast<std::size_t>(EVP_MD_get_size(digest));
  if (length != static_cast<std::size_t>(EVP_PKEY_get_size(&key)) || recovered[0] != 0x6A) return false;
  if (!std::equal(trailer.begin(), trailer.end(), recovered.end() - static_cast<std::ptrdiff_t>(trailer.size())))
    return false;
  const auto hashAt = recovered.end() - static_cast<std::ptrdiff_t>(trailer.size() + hashLength);
  const TBytes m1(recovered.begin() + 1, hashAt);
  const TBytes hash(hashAt, hashAt + static_cast<std::ptrdiff_t>(hashLength));
  return Digest(digest, Concat({m1, kChallenge})) == hash;
}

bool PlainEcdsaVerifies(EVP_PKEY& key, const TBytes& signature, const EVP_MD* digest) {
  if (signature.size() != 64) return false;  // P-256: 32 bytes each
  ECDSA_SIG* parts = ECDSA_SIG_new();
  ECDSA_SIG_set0(parts, BN_bin2bn(signature.data(), 32, nullptr), BN_bin2bn(signature.data() + 32, 32, nullptr));
  unsigned char* der = nullptr;
  const int derLength = i2d_ECDSA_SIG(parts, &der);
  ECDSA_SIG_free(parts);
  TEvpMdCtxPtr context(EVP_MD_CTX_new());
  const bool valid = EVP_DigestVerifyInit(context.get(), nullptr, digest, nullptr, &key) == 1 &&
                     EVP_DigestVerify(context.get(), der, static_cast<std::size_t>(derLength), kChallenge.data(),
                                      kChallenge.size()) == 1;
  OPENSSL_free(der);
  return valid;
}

struct TAaCase {
  const char* Name;
  const char* KeyType;
  const char* Parameter;
  const char* RsaDigest;      // the chip's option, for RSA keys
  const char* Dg14Signature;  // the OID in DG14's ActiveAuthenticationInfo; nullptr: no DG14
  const EVP_MD* (*Digest)();
  const char* Trailer;  // RSA
};

TEST(ActiveAuthentication, SignatureVerifiesWithTheDocumentsKeyOnly) {
  const std::vector<TAaCase> cases{
      {"RSA-1024 SHA-1", "RSA", "1024", "SHA1", nullptr, EVP_sha1, "BC"},
      {"RSA-1536 SHA-1", "RSA", "1536", "SHA1", nullptr, EVP_sha1, "BC"},
      {"RSA-1536 SHA-256", "RSA", "1536", "SHA256", nullptr, EVP_sha256, "34CC"},
      {"RSA-1024 SHA-512", "RSA", "1024", "SHA512", nullptr, EVP_sha512, "35CC"},
      {"ECDSA P-256 with SHA-256", "EC", "prime256v1", "SHA1", "2A8648CE3D040302", EVP_sha256, nullptr},
      {"ECDSA P-256 with SHA-384", "EC", "prime256v1", "SHA1", "2A8648CE3D040303", EVP_sha384, nullptr},
  };
  for (const TAaCase& c : cases) {
    const TEvpPkeyPtr key = GenerateKey(c.KeyType, c.Parameter);
    for (const bool clone : {false, true}) {
      SCOPED_TRACE(std::string(c.Name) + (clone ? ", clone" : ""));
      TLds dg14;
      if (c.Dg14Signature) dg14[DataGroupFileId(14)] = Dg14WithActiveAuthenticationInfo(Hex(c.Dg14Signature));
      TChipOptions options;
      options.CloneActiveAuthentication = clone;
      options.ActiveAuthenticationRsaDigest = c.RsaDigest;
      TChipHarness harness(DocumentWith({{std::string(kActiveAuthenticationKey), EncodePrivateKey(*key)}}, dg14),
                           options);
      harness.Authenticated();
      const TKeyPair keys = *harness.Chip.SessionKeys();
      const TBlock counter = *harness.Chip.SessionCounter();
      TTerminalSm bac{false, TBytes(keys.Enc.begin(), keys.Enc.end()), TBytes(keys.Mac.begin(), keys.Mac.end()),
                      TBytes(counter.begin(), counter.end())};
      const auto answer = bac.Open(harness.Exchange(bac.Protect({0x00, 0x88, 0x00, 0x00, kChallenge, 256})));
      ASSERT_TRUE(answer);
      ASSERT_EQ(answer->Status, 0x9000);
      const bool verifies = c.Trailer ? Iso9796Verifies(*key, answer->Data, c.Digest(), Hex(c.Trailer))
                                      : PlainEcdsaVerifies(*key, answer->Data, c.Digest());
      EXPECT_EQ(verifies, !clone);
      if (!c.Trailer) {
        EXPECT_EQ(answer->Data.size(), 64u) << "r || s, 32 bytes each";
      }
    }
  }
}

TEST(ActiveAuthentication, OnlyUnderSecureMessagingWhileBacIsRequired) {
  const TEvpPkeyPtr key = GenerateKey("EC", "prime256v1");
  const TDocument document = DocumentWith({{std::string(kActiveAuthenticationKey), EncodePrivateKey(*key)}});
  const TBytes command = Concat({Hex("0088000008"), kChallenge, Hex("00")});
  TChipHarness bacRequired(document);
  bacRequired.Exchange(Hex("00A4040C07A0000002471001"));
  EXPECT_EQ(ToHex(bacRequired.Exchange(command)), "6982");

  TChipOptions noBac;
  noBac.RequireBac = false;
  TChipHarness open(document, noBac);
  open.Exchange(Hex("00A4040C07A0000002471001"));
  const TBytes answer = open.Exchange(command);
  ASSERT_EQ(answer.size(), 66u);
  EXPECT_TRUE(PlainEcdsaVerifies(*key, TBytes(answer.begin(), answer.end() - 2), EVP_sha256()))
      << "SHA-256 when DG14 names no hash";
}

}  // namespace
}  // namespace simchip::testing
