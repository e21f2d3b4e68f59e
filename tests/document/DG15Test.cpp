#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include <openssl/bn.h>
#include <openssl/param_build.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include "LdsBytes.h"
#include "document/DG15.h"
#include "support/TestPki.h"

namespace {

TBytes PublicKeyInfo(EVP_PKEY* key) {
  unsigned char* der = nullptr;
  const int length = i2d_PUBKEY(key, &der);
  TBytes bytes(der, der + (length > 0 ? length : 0));
  OPENSSL_free(der);
  return bytes;
}

TBytes DG15Of(EVP_PKEY* key) { return Tlv({0x6F}, PublicKeyInfo(key)); }

struct TKeyCase {
  std::string Name;
  std::function<TEvpPkeyPtr()> MakeKey;
  TAaKeyKind Kind;
  int KeyBits;
  std::size_t SignatureLength;
};
void PrintTo(const TKeyCase& c, std::ostream* out) { *out << c.Name; }

class DG15Keys : public ::testing::TestWithParam<TKeyCase> {};

TEST_P(DG15Keys, GiveTheirKindSizeAndAnswerLength) {
  const TEvpPkeyPtr key = GetParam().MakeKey();
  TBytes dg15 = DG15Of(key.get());
  dg15.push_back(0x00);  // bytes behind the object are not looked at
  const std::optional<TDG15File> file = DecodeDG15(dg15);
  ASSERT_TRUE(file.has_value());
  EXPECT_EQ(file->Kind, GetParam().Kind);
  EXPECT_EQ(file->KeyBits, GetParam().KeyBits);
  EXPECT_EQ(file->SignatureLength, GetParam().SignatureLength);
  EXPECT_EQ(EVP_PKEY_eq(file->Key.get(), key.get()), 1) << "the very key that was written";
}

const TKeyCase kKeyCases[] = {
    {"Rsa1024", [] { return testpki::NewRsaKey(1024); }, TAaKeyKind::Rsa, 1024, 128},
    {"Rsa1025", [] { return testpki::NewRsaKey(1025); }, TAaKeyKind::Rsa, 1025, 129},
    {"P256", [] { return testpki::NewEcKey("P-256"); }, TAaKeyKind::Ec, 256, 64},
    {"BrainpoolP384", [] { return testpki::NewEcKey("brainpoolP384r1"); }, TAaKeyKind::Ec, 384, 96},
    {"P521", [] { return testpki::NewEcKey("P-521"); }, TAaKeyKind::Ec, 521, 132},
    {"P256ExplicitParameters", [] { return testpki::NewExplicitP256Key(false); }, TAaKeyKind::Ec, 256, 64},
};

INSTANTIATE_TEST_SUITE_P(Table, DG15Keys, ::testing::ValuesIn(kKeyCases),
                         [](const auto& info) { return info.param.Name; });

// Each case is made from the SubjectPublicKeyInfo of an RSA key.
struct TRefusedCase {
  std::string Name;
  std::function<TBytes(const TBytes& keyInfo)> Make;
};
void PrintTo(const TRefusedCase& c, std::ostream* out) { *out << c.Name; }

class DG15Refused : public ::testing::TestWithParam<TRefusedCase> {};

TEST_P(DG15Refused, GivesNothing) {
  static const TEvpPkeyPtr rsa = testpki::NewRsaKey(1024);
  const TBytes keyInfo = PublicKeyInfo(rsa.get());
  ASSERT_TRUE(DecodeDG15(Tlv({0x6F}, keyInfo)).has_value()) << "the key itself is taken";
  EXPECT_FALSE(DecodeDG15(GetParam().Make(keyInfo)).has_value());
}

TBytes DG15OfNewKey(const char* type) {
  EVP_PKEY* key = EVP_PKEY_Q_keygen(nullptr, nullptr, type);
  const TBytes dg15 = DG15Of(key);
  EVP_PKEY_free(key);
  return dg15;
}

// An RSA public key whose modulus is one bit above libcrypto's limit (no
// private key behind it: 2^16384 + 1).
TBytes DG15OfOversizedRsaKey() {
  BIGNUM* n = BN_new();
  BN_set_bit(n, OPENSSL_RSA_MAX_MODULUS_BITS);
  BN_set_bit(n, 0);
  BIGNUM* e = BN_new();
  BN_set_word(e, 65537);
  OSSL_PARAM_BLD* build = OSSL_PARAM_BLD_new();
  OSSL_PARAM_BLD_push_BN(build, "n", n);
  OSSL_PARAM_BLD_push_BN(build, "e", e);
  OSSL_PARAM* params = OSSL_PARAM_BLD_to_param(build);
  EVP_PKEY_CTX* context = EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr);
  EVP_PKEY* key = nullptr;
  EVP_PKEY_fromdata_init(context);
  EVP_PKEY_fromdata(context, &key, EVP_PKEY_PUBLIC_KEY, params);
  if (!key || EVP_PKEY_get_bits(key) != OPENSSL_RSA_MAX_MODULUS_BITS + 1)
    ADD_FAILURE() << "the oversized key was not made";
  const TBytes dg15 = DG15Of(key);
  EVP_PKEY_free(key);
  EVP_PKEY_CTX_free(context);
  OSSL_PARAM_free(params);
  OSSL_PARAM_BLD_free(build);
  BN_free(e);
  BN_free(n);
  return dg15;
}

const TRefusedCase kRefusedCases[] = {
    {"Empty", [](const TBytes&) { return TBytes{}; }},
    {"OtherTag", [](const TBytes& info) { return Tlv({0x6E}, info); }},
    {"LengthPastTheEnd",
     [](const TBytes& info) {
       const TBytes dg15 = Tlv({0x6F}, info);
       return TBytes(dg15.begin(), dg15.end() - 1);
     }},
    {"KeyCutShort", [](const TBytes& info) { return Tlv({0x6F}, TBytes(info.begin(), info.end() - 1)); }},
    {"BytesAfterTheKeyInside",
     [](const TBytes& info) {
       return Tlv({0x6F}, Concat({info, {0x00}}));
     }},
    {"NotAKey", [](const TBytes&) { return Tlv({0x6F}, Tlv({0x30}, Tlv({0x02}, {0x01}))); }},
    {"Ed25519Key", [](const TBytes&) { return DG15OfNewKey("ED25519"); }},
    {"X25519Key", [](const TBytes&) { return DG15OfNewKey("X25519"); }},
    {"RsaModulusAboveTheLimit", [](const TBytes&) { return DG15OfOversizedRsaKey(); }},
    {"RsaPssKey",
     [](const TBytes&) {
       EVP_PKEY* key = EVP_PKEY_Q_keygen(nullptr, nullptr, "RSA-PSS", std::size_t{1024});
       const TBytes dg15 = DG15Of(key);
       EVP_PKEY_free(key);
       return dg15;
     }},
};

INSTANTIATE_TEST_SUITE_P(Table, DG15Refused, ::testing::ValuesIn(kRefusedCases),
                         [](const auto& info) { return info.param.Name; });

}  // namespace
