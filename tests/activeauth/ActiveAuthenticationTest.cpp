// Active Authentication: the exchange recorded with a real passport replayed
// byte for byte, the ISO/IEC 9796-2 representatives of the published
// vectors, and RSA and ECDSA signatures made here by libcrypto.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <ostream>
#include <string>

#include <openssl/bn.h>
#include <openssl/ecdsa.h>
#include <openssl/rsa.h>

#include "activeauth/ActiveAuthentication.h"
#include "activeauth/ActiveAuthenticationCheck.h"
#include "activeauth/Iso9796Signature.h"
#include "card/messaging/BacChannel.h"
#include "document/DG15.h"
#include "reader/ApduExchange.h"
#include "support/CardSessions.h"
#include "support/FakeCard.h"
#include "support/FakePiccView.h"
#include "support/TestPki.h"
#include "support/VectorFile.h"

namespace {

TVectorSection AaVectors(const std::string& section) {
  return ReadVectorSection(std::string(ZELVAN_TRUST_TEST_DATA) + "/aa/chipauth-vectors.txt", section);
}
const TVectorSection& RecordedSession() {
  static const TVectorSection section = AaVectors("gmrtd-aa-rsa1792-sha256-3des-sm");
  return section;
}
const TVectorSection& Trailers() {
  static const TVectorSection section = AaVectors("gmrtd-iso9796-2-trailers");
  return section;
}

TBytes FlipBit(TBytes bytes, std::size_t index, std::uint8_t bit = 0x01) {
  bytes.at(index) ^= bit;
  return bytes;
}

// ---- The recorded exchange (RSA-1792, trailer 34CC, 3DES secure messaging)

class RecordedExchange : public ::testing::Test {
protected:
  void SetUp() override {
    ResetReaderLink();
    const TVectorSection& v = RecordedSession();
    session.BacEnabled = true;
    std::ranges::copy(v.Bytes("ks_enc"), session.encK.begin());
    std::ranges::copy(v.Bytes("ks_mac"), session.macK.begin());
    std::ranges::copy(v.Bytes("ssc_old"), session.SSC.begin());
  }
  void TearDown() override { ResetReaderLink(); }

  const TVectorSection& v = RecordedSession();
  TFakeCardApi card;
  TFakePiccView view;
  tMRTD_CTX session{};
  TCardSession channel = BacSession(session);
};

TEST_F(RecordedExchange, ReplaysByteForByteAndPasses) {
  TFixedRandomSource random(v.Bytes("rnd_ifd"));
  card.Script = {{v.Bytes("rsp_ia")}};

  const std::optional<TDG15File> dg15 = DecodeDG15(v.Bytes("dg15"));
  ASSERT_TRUE(dg15.has_value());
  EXPECT_EQ(dg15->Kind, TAaKeyKind::Rsa);
  EXPECT_EQ(dg15->KeyBits, 1792);
  const TInternalAuthenticateResult exchange = PerformInternalAuthenticate(channel, dg15->SignatureLength);

  ASSERT_EQ(card.Commands.size(), 1u);
  EXPECT_EQ(ToHex(card.Commands[0]), v.Text("cmd_ia"));
  ASSERT_EQ(exchange.Outcome, TInternalAuthenticateOutcome::Signed) << exchange.Reason;
  EXPECT_EQ(ToHex(exchange.Signature), v.Text("signature"));
  EXPECT_EQ(ToHex(session.SSC), v.Text("ssc_after"));
  EXPECT_EQ(JudgeInternalAuthenticate(*dg15, exchange, ""), (TAaResult{TAaVerdict::Passed, {}}));
}

TEST_F(RecordedExchange, WholeStepPassesAndSaysSo) {
  TFixedRandomSource random(v.Bytes("rnd_ifd"));
  card.Script = {{v.Bytes("rsp_ia")}};
  const TAaResult result = PerformActiveAuthentication(v.Bytes("dg15"), channel, "");
  EXPECT_EQ(ActiveAuthenticationLine(result), "Active authentication: PASSED");
  EXPECT_EQ(ToHex(session.SSC), v.Text("ssc_after"));
}

struct TExchangeCase {
  std::string Name;
  TBytes Challenge;
  std::function<TBytes(TBytes)> Answer;  // from the recorded answer
  TAaResult Expected;
};
void PrintTo(const TExchangeCase& c, std::ostream* out) { *out << c.Name; }

class RecordedExchangeSpoilt : public RecordedExchange, public ::testing::WithParamInterface<TExchangeCase> {};

TEST_P(RecordedExchangeSpoilt, Fails) {
  TFixedRandomSource random(GetParam().Challenge);
  card.Script = {{GetParam().Answer(v.Bytes("rsp_ia"))}};
  EXPECT_EQ(PerformActiveAuthentication(v.Bytes("dg15"), channel, ""), GetParam().Expected);
}

const TExchangeCase kExchangeCases[] = {
    // The chip's recorded answer to another challenge than the one sent.
    {"OtherChallenge",
     Hex("96302B0F3D7E7865"),
     [](TBytes answer) { return answer; },
     {TAaVerdict::Failed, "signature does not verify"}},
    {"AnswerMacSpoilt",
     Hex("96302B0F3D7E7864"),
     [](TBytes answer) { return FlipBit(answer, answer.size() - 3); },
     {TAaVerdict::Failed, "wrong MAC in the chip's answer"}},
    {"Refused",
     Hex("96302B0F3D7E7864"),
     [](TBytes) { return Hex("6982"); },
     {TAaVerdict::Failed, "INTERNAL AUTHENTICATE refused, status 6982"}},
};

INSTANTIATE_TEST_SUITE_P(Table, RecordedExchangeSpoilt, ::testing::ValuesIn(kExchangeCases),
                         [](const auto& info) { return info.param.Name; });

TEST_F(RecordedExchange, NoDG15IsNotSupportedAndUnusableKeyNotPossibleNothingSent) {
  EXPECT_EQ(ActiveAuthenticationLine(PerformActiveAuthentication({}, channel, "")),
            "Active authentication: not supported");
  EXPECT_EQ(ActiveAuthenticationLine(PerformActiveAuthentication(Hex("6F03020101"), channel, "")),
            "Active authentication: not possible (no RSA or EC key in DG15)");
  EXPECT_TRUE(card.Commands.empty());
}

// The recorded signature changed: any bit of it, or the challenge it is checked against.
TEST(RecordedSignature, FailsWhenAnythingDiffers) {
  const TVectorSection& v = RecordedSession();
  const std::optional<TDG15File> dg15 = DecodeDG15(v.Bytes("dg15"));
  ASSERT_TRUE(dg15.has_value());
  const TBytes signature = v.Bytes("signature");
  const TBytes challenge = v.Bytes("rnd_ifd");
  ASSERT_EQ(VerifyActiveAuthentication(*dg15, signature, challenge, "").Verdict, TAaVerdict::Passed);

  for (const std::size_t index : {std::size_t{0}, signature.size() / 2, signature.size() - 1})
    EXPECT_EQ(VerifyActiveAuthentication(*dg15, FlipBit(signature, index), challenge, "").Verdict, TAaVerdict::Failed)
        << "bit flipped in byte " << index;
  EXPECT_EQ(VerifyActiveAuthentication(*dg15, signature, FlipBit(challenge, 7), ""),
            (TAaResult{TAaVerdict::Failed, "signature does not verify"}));
  EXPECT_EQ(VerifyActiveAuthentication(*dg15, Concat({signature, {0x00}}), challenge, ""),
            (TAaResult{TAaVerdict::Failed, "signature does not fit the key"}));
  EXPECT_EQ(VerifyActiveAuthentication(*dg15, TBytes(signature.size(), 0xFF), challenge, ""),
            (TAaResult{TAaVerdict::Failed, "signature does not fit the key"}))
      << "a value above the modulus";
}

// ---- The published 9796-2 representatives, one per trailer

struct TTrailerCase {
  std::string Name;
  std::string Representative;
};
void PrintTo(const TTrailerCase& c, std::ostream* out) { *out << c.Name; }

class PublishedTrailers : public ::testing::TestWithParam<TTrailerCase> {};

TEST_P(PublishedTrailers, NameTheirHash) {
  const TBytes f = Trailers().Bytes(GetParam().Representative);
  const TBytes challenge = Trailers().Bytes("rnd_ifd");
  EXPECT_EQ(CheckRecoveredMessage(f, challenge), (TAaResult{TAaVerdict::Passed, {}}));
  EXPECT_EQ(CheckRecoveredMessage(f, FlipBit(challenge, 0)),
            (TAaResult{TAaVerdict::Failed, "signature does not verify"}));
}

const TTrailerCase kTrailerCases[] = {
    {"BcSha1", "f_sha1"},   {"Sha224", "f_sha224"}, {"Sha256", "f_sha256"},
    {"Sha384", "f_sha384"}, {"Sha512", "f_sha512"},
};

INSTANTIATE_TEST_SUITE_P(Table, PublishedTrailers, ::testing::ValuesIn(kTrailerCases),
                         [](const auto& info) { return info.param.Name; });

struct TSpoiltRepresentativeCase {
  std::string Name;
  std::function<TBytes(TBytes)> Spoil;  // of f_sha256
  std::string Reason;
};
void PrintTo(const TSpoiltRepresentativeCase& c, std::ostream* out) { *out << c.Name; }

class SpoiltRepresentatives : public ::testing::TestWithParam<TSpoiltRepresentativeCase> {};

TEST_P(SpoiltRepresentatives, FailWithTheirReason) {
  const TBytes f = GetParam().Spoil(Trailers().Bytes("f_sha256"));
  EXPECT_EQ(CheckRecoveredMessage(f, Trailers().Bytes("rnd_ifd")), (TAaResult{TAaVerdict::Failed, GetParam().Reason}));
}

const TSpoiltRepresentativeCase kSpoiltRepresentatives[] = {
    {"FullRecoveryHeader", [](TBytes f) { return FlipBit(f, 0, 0x20); }, "wrong 9796-2 header"},
    {"UnknownHashIdentifier", [](TBytes f) { return FlipBit(f, f.size() - 2, 0x03); }, "wrong 9796-2 trailer"},
    {"NoTrailer", [](TBytes f) { return FlipBit(f, f.size() - 1, 0x01); }, "wrong 9796-2 trailer"},
    {"Sha1IdentifierOnSha256Digest", [](TBytes f) { return FlipBit(f, f.size() - 2, 0x07); },
     "signature does not verify"},
    {"DigestChanged", [](TBytes f) { return FlipBit(f, f.size() - 3); }, "signature does not verify"},
    {"RecoveredPartChanged", [](TBytes f) { return FlipBit(f, 1); }, "signature does not verify"},
    {"TooShortForSha512", [](TBytes) { return Hex("6A01020335CC"); }, "signature too short for its hash"},
    {"Empty", [](TBytes) { return TBytes{}; }, "wrong 9796-2 header"},
};

INSTANTIATE_TEST_SUITE_P(Table, SpoiltRepresentatives, ::testing::ValuesIn(kSpoiltRepresentatives),
                         [](const auto& info) { return info.param.Name; });

// ---- RSA signatures made here: the representative built from its parts and
// raised to the private exponent by libcrypto

// 6A || m1 || hash(m1 || challenge) || trailer, at the representative length.
TBytes Representative(std::size_t length, const EVP_MD* md, const TBytes& trailer, const TBytes& challenge) {
  const std::size_t hashLength = static_cast<std::size_t>(EVP_MD_get_size(md));
  TBytes m1(length - 1 - hashLength - trailer.size());
  for (std::size_t i = 0; i < m1.size(); ++i) m1[i] = static_cast<std::uint8_t>(i * 7 + 3);
  TBytes hash(hashLength);
  unsigned int written = 0;
  EVP_MD_CTX* context = EVP_MD_CTX_new();
  EVP_DigestInit_ex(context, md, nullptr);
  EVP_DigestUpdate(context, m1.data(), m1.size());
  EVP_DigestUpdate(context, challenge.data(), challenge.size());
  EVP_DigestFinal_ex(context, hash.data(), &written);
  EVP_MD_CTX_free(context);
  return Concat({{0x6A}, m1, hash, trailer});
}

// The raw private RSA operation on f, left-padded to the modulus length.
TBytes RawSign(EVP_PKEY* key, const TBytes& f) {
  const std::size_t size = static_cast<std::size_t>(EVP_PKEY_get_size(key));
  TBytes padded(size - f.size(), 0x00);
  padded.insert(padded.end(), f.begin(), f.end());
  TBytes signature(size);
  std::size_t length = size;
  EVP_PKEY_CTX* context = EVP_PKEY_CTX_new(key, nullptr);
  const bool signed_ = EVP_PKEY_sign_init(context) == 1 && EVP_PKEY_CTX_set_rsa_padding(context, RSA_NO_PADDING) == 1 &&
                       EVP_PKEY_sign(context, signature.data(), &length, padded.data(), padded.size()) == 1;
  EVP_PKEY_CTX_free(context);
  EXPECT_TRUE(signed_);
  return signature;
}

// n - signature, at the modulus length.
TBytes ModulusMinus(EVP_PKEY* key, const TBytes& signature) {
  BIGNUM* n = nullptr;
  EVP_PKEY_get_bn_param(key, "n", &n);
  BIGNUM* s = BN_bin2bn(signature.data(), static_cast<int>(signature.size()), nullptr);
  BN_sub(s, n, s);
  TBytes result(signature.size());
  BN_bn2binpad(s, result.data(), static_cast<int>(result.size()));
  BN_free(s);
  BN_free(n);
  return result;
}

TDG15File Dg15For(EVP_PKEY* key) {
  unsigned char* der = nullptr;
  const int length = i2d_PUBKEY(key, &der);
  const TBytes info(der, der + length);
  OPENSSL_free(der);
  const TBytes header = info.size() < 0x100 ? TBytes{0x6F, 0x81, static_cast<std::uint8_t>(info.size())}
                                            : TBytes{0x6F, 0x82, static_cast<std::uint8_t>(info.size() >> 8),
                                                     static_cast<std::uint8_t>(info.size() & 0xFF)};
  std::optional<TDG15File> dg15 = DecodeDG15(Concat({header, info}));
  EXPECT_TRUE(dg15.has_value());
  return std::move(*dg15);
}

struct TRsaCase {
  std::string Name;
  int Bits;
  const EVP_MD* (*Md)();
  TBytes Trailer;
  std::function<TBytes(EVP_PKEY*, TBytes)> Sign;  // the representative to the signature sent
  TAaResult Expected;
};
void PrintTo(const TRsaCase& c, std::ostream* out) { *out << c.Name; }

class RsaSignatures : public ::testing::TestWithParam<TRsaCase> {};

TEST_P(RsaSignatures, AreJudged) {
  const TRsaCase& c = GetParam();
  const TEvpPkeyPtr key = testpki::NewRsaKey(c.Bits);
  const TBytes challenge = Hex("0011223344556677");
  const std::size_t representativeLength = static_cast<std::size_t>(c.Bits - 1 + 7) / 8;
  const TBytes f = Representative(representativeLength, c.Md(), c.Trailer, challenge);
  const TBytes signature = c.Sign(key.get(), f);
  EXPECT_EQ(VerifyActiveAuthentication(Dg15For(key.get()), signature, challenge, ""), c.Expected);
}

const auto kAsIs = [](EVP_PKEY* key, TBytes f) { return RawSign(key, f); };
const TAaResult kPassed{TAaVerdict::Passed, {}};

const TRsaCase kRsaCases[] = {
    {"Sha256", 1024, EVP_sha256, Hex("34CC"), kAsIs, kPassed},
    {"ImplicitSha1", 1024, EVP_sha1, Hex("BC"), kAsIs, kPassed},
    {"Sha512", 1024, EVP_sha512, Hex("35CC"), kAsIs, kPassed},
    // A modulus of 8k + 1 bits: the representative is one byte shorter than it.
    {"ModulusOf1025Bits", 1025, EVP_sha256, Hex("34CC"), kAsIs, kPassed},
    // ISO/IEC 9796-2 lets the signer send n - s; the verifier takes n - f.
    {"SentAsModulusMinusSignature", 1024, EVP_sha256, Hex("34CC"),
     [](EVP_PKEY* key, TBytes f) { return ModulusMinus(key, RawSign(key, f)); }, kPassed},
    {"WrongHeader",
     1024,
     EVP_sha256,
     Hex("34CC"),
     [](EVP_PKEY* key, TBytes f) { return RawSign(key, FlipBit(f, 0, 0x20)); },
     {TAaVerdict::Failed, "wrong 9796-2 header"}},
    {"WrongTrailer", 1024, EVP_sha256, Hex("37CC"), kAsIs, {TAaVerdict::Failed, "wrong 9796-2 trailer"}},
    {"OtherHashThanTheTrailerSays",
     1024,
     EVP_sha256,
     Hex("36CC"),
     kAsIs,
     {TAaVerdict::Failed, "signature does not verify"}},
    {"DigestOfAnotherMessage",
     1024,
     EVP_sha256,
     Hex("34CC"),
     [](EVP_PKEY* key, TBytes f) { return RawSign(key, FlipBit(f, 5)); },
     {TAaVerdict::Failed, "signature does not verify"}},
};

INSTANTIATE_TEST_SUITE_P(Table, RsaSignatures, ::testing::ValuesIn(kRsaCases),
                         [](const auto& info) { return info.param.Name; });

// ---- ECDSA signatures made here by libcrypto (SHA-256 over the challenge)

constexpr const char* kEcdsaPlainSha256 = "0.4.0.127.0.7.1.1.4.1.3";

// libcrypto's DER signature as r || s, each at the order's length.
TBytes PlainEcdsaSignature(EVP_PKEY* key, const TBytes& challenge, std::size_t half) {
  EVP_MD_CTX* context = EVP_MD_CTX_new();
  std::size_t length = 0;
  EVP_DigestSignInit(context, nullptr, EVP_sha256(), nullptr, key);
  EVP_DigestSign(context, nullptr, &length, challenge.data(), challenge.size());
  TBytes der(length);
  EVP_DigestSign(context, der.data(), &length, challenge.data(), challenge.size());
  EVP_MD_CTX_free(context);
  const unsigned char* cursor = der.data();
  ECDSA_SIG* signature = d2i_ECDSA_SIG(nullptr, &cursor, static_cast<long>(length));
  TBytes plain(2 * half);
  BN_bn2binpad(ECDSA_SIG_get0_r(signature), plain.data(), static_cast<int>(half));
  BN_bn2binpad(ECDSA_SIG_get0_s(signature), plain.data() + half, static_cast<int>(half));
  ECDSA_SIG_free(signature);
  return plain;
}

struct TEcdsaCase {
  std::string Name;
  bool ExplicitParameters;
  std::string AlgorithmOid;
  std::function<TBytes(TBytes)> Spoil;
  bool OtherChallenge;
  TAaResult Expected;
};
void PrintTo(const TEcdsaCase& c, std::ostream* out) { *out << c.Name; }

class EcdsaSignatures : public ::testing::TestWithParam<TEcdsaCase> {};

TEST_P(EcdsaSignatures, AreJudged) {
  const TEcdsaCase& c = GetParam();
  const TEvpPkeyPtr key = c.ExplicitParameters ? testpki::NewExplicitP256Key(false) : testpki::NewEcKey("P-256");
  const TBytes challenge = Hex("8899AABBCCDDEEFF");
  const TBytes signature = c.Spoil(PlainEcdsaSignature(key.get(), challenge, 32));
  const TBytes checked = c.OtherChallenge ? FlipBit(challenge, 3) : challenge;
  EXPECT_EQ(VerifyActiveAuthentication(Dg15For(key.get()), signature, checked, c.AlgorithmOid), c.Expected);
}

const auto kUnchanged = [](TBytes s) { return s; };

const TEcdsaCase kEcdsaCases[] = {
    {"PlainSha256", false, kEcdsaPlainSha256, kUnchanged, false, kPassed},
    {"X962Sha256", false, "1.2.840.10045.4.3.2", kUnchanged, false, kPassed},
    {"NoAlgorithmNamedSha256ForP256", false, "", kUnchanged, false, kPassed},
    {"ExplicitParameters", true, kEcdsaPlainSha256, kUnchanged, false, kPassed},
    {"OtherHashNamed",
     false,
     "0.4.0.127.0.7.1.1.4.1.1",
     kUnchanged,
     false,
     {TAaVerdict::Failed, "signature does not verify"}},
    {"UnknownAlgorithm",
     false,
     "1.2.3.4",
     kUnchanged,
     false,
     {TAaVerdict::NotPossible, "unknown signature algorithm 1.2.3.4"}},
    {"BitFlipped",
     false,
     kEcdsaPlainSha256,
     [](TBytes s) { return FlipBit(s, 40); },
     false,
     {TAaVerdict::Failed, "signature does not verify"}},
    {"OtherChallenge", false, kEcdsaPlainSha256, kUnchanged, true, {TAaVerdict::Failed, "signature does not verify"}},
    {"OneByteShort",
     false,
     kEcdsaPlainSha256,
     [](TBytes s) { return TBytes(s.begin(), s.end() - 1); },
     false,
     {TAaVerdict::Failed, "ECDSA signature of 63 bytes, expected 64"}},
    {"OneByteLong",
     false,
     kEcdsaPlainSha256,
     [](TBytes s) {
       return Concat({s, {0x00}});
     },
     false,
     {TAaVerdict::Failed, "ECDSA signature of 65 bytes, expected 64"}},
    {"Empty",
     false,
     kEcdsaPlainSha256,
     [](TBytes) { return TBytes{}; },
     false,
     {TAaVerdict::Failed, "ECDSA signature of 0 bytes, expected 64"}},
};

INSTANTIATE_TEST_SUITE_P(Table, EcdsaSignatures, ::testing::ValuesIn(kEcdsaCases),
                         [](const auto& info) { return info.param.Name; });

TEST(ActiveAuthenticationLines, AreTheOperatorsWords) {
  EXPECT_EQ(ActiveAuthenticationLine({TAaVerdict::Passed, {}}), "Active authentication: PASSED");
  EXPECT_EQ(ActiveAuthenticationLine({TAaVerdict::Failed, "wrong 9796-2 trailer"}),
            "Active authentication: FAILED (wrong 9796-2 trailer)");
  EXPECT_EQ(ActiveAuthenticationLine({TAaVerdict::NotPossible, "x"}), "Active authentication: not possible (x)");
  EXPECT_EQ(ActiveAuthenticationLine({TAaVerdict::NotSupported, {}}), "Active authentication: not supported");
}

}  // namespace
