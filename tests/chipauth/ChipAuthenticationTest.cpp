// Chip Authentication against four sessions recorded with real passports
// (data/chipauth-vectors.txt) and a DH session made apart (data/ca-dh-leading-zero.txt): the terminal's ephemeral key
// fed as its random bytes, the chip's answers played back, every command compared byte for byte, then the new keys and
// counter. Then what must not pass: refusals, answers that do not verify under the old or the new keys, curves the
// program does not know.

#include <gtest/gtest.h>

#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

#include "card/messaging/AesChannel.h"
#include "card/messaging/BacChannel.h"
#include "chipauth/ChipAuthCommands.h"
#include "chipauth/ChipAuthentication.h"
#include "crypto/ChipAuthPublicKey.h"
#include "document/DG14.h"
#include "reader/ApduExchange.h"
#include "support/CardSessions.h"
#include "support/FakeCard.h"
#include "support/FakePiccView.h"
#include "support/PaceVectors.h"

namespace {

TVectorSection Recorded(const std::string& section) { return PaceVectors("chipauth-vectors.txt", section); }

TAesBlock AesCounter(const TBytes& bytes) {
  TAesBlock counter{};
  std::copy_n(bytes.begin(), counter.size(), counter.begin());
  return counter;
}

struct TSession {
  const char* Section;
  bool AesBefore;            // AES secure messaging before CA (else 3DES on the session record)
  bool AesAfter;             // the protocol's cipher
  bool GeneralAuthenticate;  // MSE:Set AT then GENERAL AUTHENTICATE (else MSE:Set KAT)
};

// A reading's channel before CA, as the section gives it.
class ChipAuthenticationRun : public ::testing::Test {
protected:
  void SetUp() override { ResetReaderLink(); }
  void TearDown() override { ResetReaderLink(); }

  std::unique_ptr<TSecureChannel> OldChannel(const TVectorSection& v, bool aes) {
    if (aes)
      return std::make_unique<TAesChannel>(TSecretBuffer(v.Bytes("ks_enc_old")), TSecretBuffer(v.Bytes("ks_mac_old")),
                                           AesCounter(v.Bytes("ssc_old")));
    const TBytes enc = v.Bytes("ks_enc_old");
    const TBytes mac = v.Bytes("ks_mac_old");
    const TBytes ssc = v.Bytes("ssc_old");
    std::copy_n(enc.begin(), 16, ctx.encK.begin());
    std::copy_n(mac.begin(), 16, ctx.macK.begin());
    std::copy_n(ssc.begin(), 8, ctx.SSC.begin());
    ctx.BacEnabled = true;
    return std::make_unique<TBacChannel>(ctx);
  }

  // A session reading under the old keys.
  void Begin(const TVectorSection& v, bool aes) {
    std::unique_ptr<TSecureChannel> messaging = OldChannel(v, aes);
    old = messaging.get();
    session.emplace(SessionWith(ctx, std::move(messaging)));
  }
  // Whether the session still reads under the old keys.
  bool OldKeysInForce() const { return &session->Messaging() == old; }

  TChipAuthenticationKey KeyOf(const TVectorSection& v) {
    const std::optional<TDG14> dg14 = ParseDG14(v.Bytes("dg14"));
    EXPECT_TRUE(dg14);
    const std::optional<TChipAuthenticationKey> key = dg14 ? ChooseChipAuthentication(*dg14) : std::nullopt;
    EXPECT_TRUE(key);
    return key.value_or(TChipAuthenticationKey{});
  }

  TChipAuthResult Run(const TVectorSection& v, bool aes, const std::vector<TBytes>& answers,
                      const TBytes& ephemeralKey) {
    for (const TBytes& answer : answers) card.Script.push_back({answer});
    Begin(v, aes);
    TFixedRandomSource random(ephemeralKey);
    TChipAuthResult result = PerformChipAuthentication(KeyOf(v), *session);
    EXPECT_EQ(random.Remaining(), 0u);
    return result;
  }

  TFakePiccView view;
  TFakeCardApi card;
  tMRTD_CTX ctx{};
  std::optional<TCardSession> session;
  const TSecureChannel* old = nullptr;
};

class ChipAuthenticationReplay : public ChipAuthenticationRun, public ::testing::WithParamInterface<TSession> {};

TEST_P(ChipAuthenticationReplay, SendsTheRecordedCommandsAndInstallsTheNewKeys) {
  const TSession session = GetParam();
  const TVectorSection v = Recorded(session.Section);
  const std::vector<std::string> steps = session.GeneralAuthenticate ? std::vector<std::string>{"mse", "ga", "select"}
                                                                     : std::vector<std::string>{"mse", "select"};
  std::vector<TBytes> answers;
  for (const std::string& step : steps) answers.push_back(v.Bytes("rsp_" + step));

  const TChipAuthResult result = Run(v, session.AesBefore, answers, v.Bytes("sk_ifd"));

  EXPECT_EQ(result.Outcome, TChipAuthOutcome::Passed) << result.Reason;
  ASSERT_EQ(card.Commands.size(), steps.size());
  for (std::size_t i = 0; i < steps.size(); ++i)
    EXPECT_EQ(ToHex(card.Commands[i]), v.Text("cmd_" + steps[i])) << steps[i];
  ASSERT_FALSE(OldKeysInForce());
  if (session.AesAfter) {
    const auto* channel = dynamic_cast<const TAesChannel*>(&this->session->Messaging());
    ASSERT_NE(channel, nullptr);
    EXPECT_EQ(ToHex(channel->Session().EncKey.Bytes()), v.Text("ks_enc_new"));
    EXPECT_EQ(ToHex(channel->Session().MacKey.Bytes()), v.Text("ks_mac_new"));
    EXPECT_EQ(ToHex(channel->Session().SSC), v.Text("ssc_after"));
  } else {
    ASSERT_NE(dynamic_cast<const TBacChannel*>(&this->session->Messaging()), nullptr);
    // The recorded keys carry DES parity bits.
    EXPECT_EQ(ToHex(ctx.encK), v.Text("ks_enc_new"));
    EXPECT_EQ(ToHex(ctx.macK), v.Text("ks_mac_new"));
    EXPECT_EQ(ToHex(ctx.SSC), v.Text("ssc_after"));
    EXPECT_TRUE(ctx.BacEnabled);
    EXPECT_TRUE(ctx.CounterFromZero);
  }
  EXPECT_TRUE(view.Lines.empty());
}

INSTANTIATE_TEST_SUITE_P(RecordedPassports, ChipAuthenticationReplay,
                         ::testing::Values(TSession{"gmrtd-at-ca-ecdh-aes128", true, true, true},
                                           TSession{"gmrtd-de-ca-ecdh-aes128-keyid", true, true, true},
                                           TSession{"gmrtd-my-ca-ecdh-3des", false, false, true},
                                           TSession{"gmrtd-fr-ca-ecdh-3des-set-kat", true, false, false}),
                         [](const auto& info) { return std::string(info.param.Section).substr(6, 2); });

// The shared secret and the public keys, against the recorded values.
TEST(ChipAuthenticationKeyAgreement, RecordedSharedSecrets) {
  for (const char* section : {"gmrtd-at-ca-ecdh-aes128", "gmrtd-de-ca-ecdh-aes128-keyid", "gmrtd-my-ca-ecdh-3des",
                              "gmrtd-fr-ca-ecdh-3des-set-kat"}) {
    SCOPED_TRACE(section);
    const TVectorSection v = Recorded(section);
    const std::optional<TDG14> dg14 = ParseDG14(v.Bytes("dg14"));
    ASSERT_TRUE(dg14);
    const TChipPublicKeyDecoding decoded = DecodeChipPublicKey(ChooseChipAuthentication(*dg14)->PublicKeyInfo);
    ASSERT_TRUE(decoded.Key) << decoded.Failure;
    EXPECT_EQ(ToHex(decoded.Key->Key), v.Text("pk_ic"));
    TFixedRandomSource random(v.Bytes("sk_ifd"));
    const TPrivateKey sk = decoded.Key->Group->NewPrivateKey();
    EXPECT_EQ(ToHex(decoded.Key->Group->PublicKey(*sk)), v.Text("pk_ifd"));
    const std::optional<TSecretBuffer> k = decoded.Key->Group->SharedSecret(*sk, decoded.Key->Key);
    ASSERT_TRUE(k);
    EXPECT_EQ(ToHex(k->Bytes()), v.Text("k"));
  }
}

TEST(ChipAuthenticationCommands, KeyIdWithoutSignByte) {
  const TVectorSection de = Recorded("gmrtd-de-ca-ecdh-aes128-keyid");
  EXPECT_EQ(ToHex(BuildCaMseSetAt(de.Bytes("protocol"), 195).Encode()), de.Text("plain_cmd_mse"));
  EXPECT_EQ(ToHex(KeyIdBytes(0)), "00");
  EXPECT_EQ(ToHex(KeyIdBytes(0x1234)), "1234");
}

// A DH chip key whose shared secret starts with 00 (data/ca-dh-leading-zero.txt,
// made by make-ca-dh-leading-zero.py with its own arithmetic and secure
// messaging): the keys come from all 128 bytes of it, zero first.
TEST_F(ChipAuthenticationRun, DhSharedSecretKeepsItsLeadingZero) {
  const TVectorSection v = PaceVectors("ca-dh-leading-zero.txt", "ca-dh-leading-zero");
  ASSERT_EQ(v.Text("k").substr(0, 2), "00");
  const TChipPublicKeyDecoding decoded = DecodeChipPublicKey(v.Bytes("spki"));
  ASSERT_TRUE(decoded.Key) << decoded.Failure;
  {
    TFixedRandomSource random(v.Bytes("sk_ifd"));
    const TPrivateKey sk = decoded.Key->Group->NewPrivateKey();
    EXPECT_EQ(ToHex(decoded.Key->Group->PublicKey(*sk)), v.Text("pk_ifd"));
    const std::optional<TSecretBuffer> k = decoded.Key->Group->SharedSecret(*sk, decoded.Key->Key);
    ASSERT_TRUE(k);
    EXPECT_EQ(ToHex(k->Bytes()), v.Text("k"));
  }

  for (const char* answer : {"rsp_mse", "rsp_ga", "rsp_select"}) card.Script.push_back({v.Bytes(answer)});
  TCardSession aesSession = SessionWith(
      ctx, std::make_unique<TAesChannel>(TSecretBuffer(v.Bytes("ks_enc_old")), TSecretBuffer(v.Bytes("ks_mac_old")),
                                         AesCounter(v.Bytes("ssc_old"))));
  TFixedRandomSource random(v.Bytes("sk_ifd"));
  const TChipAuthResult result =
      PerformChipAuthentication({v.Bytes("protocol"), std::nullopt, v.Bytes("spki"), true}, aesSession);
  EXPECT_EQ(result.Outcome, TChipAuthOutcome::Passed) << result.Reason;
  ASSERT_EQ(card.Commands.size(), 3u);
  EXPECT_EQ(ToHex(card.Commands[0]), v.Text("cmd_mse"));
  EXPECT_EQ(ToHex(card.Commands[1]), v.Text("cmd_ga"));
  EXPECT_EQ(ToHex(card.Commands[2]), v.Text("cmd_select"));
  const auto* channel = dynamic_cast<const TAesChannel*>(&aesSession.Messaging());
  ASSERT_NE(channel, nullptr);
  EXPECT_EQ(ToHex(channel->Session().EncKey.Bytes()), v.Text("ks_enc_new"));
  EXPECT_EQ(ToHex(channel->Session().MacKey.Bytes()), v.Text("ks_mac_new"));
  EXPECT_EQ(ToHex(channel->Session().SSC), v.Text("ssc_after"));
}

// Public keys made by libcrypto: on a curve the program does not run, its
// parameters written out explicitly; a 2048-bit X9.42 DH key.
TBytes PublicKeyInfo(EVP_PKEY* key) {
  unsigned char* der = nullptr;
  const int length = key ? i2d_PUBKEY(key, &der) : 0;
  EXPECT_GT(length, 0);
  TBytes bytes(der, der + std::max(length, 0));
  OPENSSL_free(der);
  EVP_PKEY_free(key);
  return bytes;
}

TBytes ExplicitSecp256k1Key() {
  EVP_PKEY* key = EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "secp256k1");
  EXPECT_EQ(EVP_PKEY_set_utf8_string_param(key, OSSL_PKEY_PARAM_EC_ENCODING, OSSL_PKEY_EC_ENCODING_EXPLICIT), 1);
  return PublicKeyInfo(key);
}

TBytes Dh2048Key() {
  EVP_PKEY_CTX* context = EVP_PKEY_CTX_new_from_name(nullptr, "DHX", nullptr);
  char group[] = "dh_2048_256";
  const OSSL_PARAM parameters[] = {OSSL_PARAM_construct_utf8_string(OSSL_PKEY_PARAM_GROUP_NAME, group, 0),
                                   OSSL_PARAM_construct_end()};
  EVP_PKEY* key = nullptr;
  EXPECT_EQ(EVP_PKEY_keygen_init(context), 1);
  EXPECT_EQ(EVP_PKEY_CTX_set_params(context, parameters), 1);
  EXPECT_EQ(EVP_PKEY_generate(context, &key), 1);
  EVP_PKEY_CTX_free(context);
  return PublicKeyInfo(key);
}

struct TUnusableKey {
  const char* Name;
  std::function<TChipAuthenticationKey(const TVectorSection&)> Key;
  const char* Reason;
};

const TUnusableKey kUnusableKeys[] = {
    {"CurveOfNoKnownName",
     [](const TVectorSection& v) {
       return TChipAuthenticationKey{v.Bytes("protocol"), std::nullopt, ExplicitSecp256k1Key(), true};
     },
     "explicit EC parameters of no known curve"},
    {"DhKeyTooLongForShortApdus",
     [](const TVectorSection&) {
       return TChipAuthenticationKey{Hex("04007F00070202030102"), std::nullopt, Dh2048Key(), true};
     },
     "the chip's key needs extended-length APDUs"},
    {"DhGroupTooSmall",
     [](const TVectorSection&) {
       // dhpublicnumber with p = 23, g = 5, q = 11; y = 7.
       return TChipAuthenticationKey{Hex("04007F00070202030102"), std::nullopt,
                                     Hex("301C301406072A8648CE3E0201300902011702010502010B030400020107"), true};
     },
     "DH parameters not usable"},
    {"EcKeyForADhProtocol",
     [](const TVectorSection& v) {
       const std::optional<TDG14> dg14 = ParseDG14(v.Bytes("dg14"));
       return TChipAuthenticationKey{Hex("04007F00070202030102"), std::nullopt,
                                     dg14->ChipAuthenticationPublicKeys.at(0).PublicKeyInfo, true};
     },
     "the chip's key does not suit id-CA-DH-AES-CBC-CMAC-128"},
    {"UnknownProtocol",
     [](const TVectorSection&) {
       return TChipAuthenticationKey{Hex("04007F00070202030209"), std::nullopt, {}, true};
     },
     "protocol the program does not know"},
};

class ChipAuthenticationNotRun : public ChipAuthenticationRun, public ::testing::WithParamInterface<TUnusableKey> {};

TEST_P(ChipAuthenticationNotRun, SendsNothing) {
  const TVectorSection v = Recorded("gmrtd-at-ca-ecdh-aes128");
  Begin(v, true);
  const TChipAuthResult result = PerformChipAuthentication(GetParam().Key(v), *session);
  EXPECT_EQ(result.Outcome, TChipAuthOutcome::NotRun);
  EXPECT_EQ(result.Reason, GetParam().Reason);
  EXPECT_TRUE(OldKeysInForce());
  EXPECT_TRUE(card.Commands.empty());
}

INSTANTIATE_TEST_SUITE_P(Keys, ChipAuthenticationNotRun, ::testing::ValuesIn(kUnusableKeys),
                         [](const auto& info) { return std::string(info.param.Name); });

// What must not pass, on the Austrian (AES) and Malaysian (3DES) sessions.
struct TBadRun {
  const char* Name;
  const char* Section;
  bool Aes;
  // The chip's answers: the recording, one of them changed.
  std::function<std::vector<TBytes>(const TVectorSection&)> Answers;
  TChipAuthOutcome Outcome;
  const char* Reason;
  std::size_t CommandsSent;
  bool OtherEphemeralKey = false;  // the terminal draws another key than the recording's
};

TBytes FlipLastMacByte(TBytes answer) {
  answer[answer.size() - 3] ^= 0x01;  // the MAC ends just before SW1 SW2
  return answer;
}

class ChipAuthenticationRefused : public ChipAuthenticationRun, public ::testing::WithParamInterface<TBadRun> {};

TEST_P(ChipAuthenticationRefused, FailsWithItsReason) {
  const TBadRun& bad = GetParam();
  const TVectorSection v = Recorded(bad.Section);
  TBytes ephemeral = v.Bytes("sk_ifd");
  if (bad.OtherEphemeralKey) ephemeral.back() ^= 0x01;
  const TChipAuthResult result = Run(v, bad.Aes, bad.Answers(v), ephemeral);
  EXPECT_EQ(result.Outcome, bad.Outcome);
  EXPECT_EQ(result.Reason, bad.Reason);
  EXPECT_TRUE(OldKeysInForce());
  EXPECT_EQ(card.Commands.size(), bad.CommandsSent);
  EXPECT_EQ(view.Texts(), std::vector<std::string>{"MrtdChipAuthenticate : " + std::string(bad.Reason)});
}

const TBadRun kBadRuns[] = {
    {"MseRefused", "gmrtd-at-ca-ecdh-aes128", true,
     [](const TVectorSection&) { return std::vector<TBytes>{Hex("6A80")}; }, TChipAuthOutcome::Failed,
     "MSE:Set AT refused (6A80)", 1},
    {"MseAnswerWithWrongMac", "gmrtd-my-ca-ecdh-3des", false,
     [](const TVectorSection& v) { return std::vector<TBytes>{FlipLastMacByte(v.Bytes("rsp_mse"))}; },
     TChipAuthOutcome::Failed, "the chip's answer to MSE:Set AT does not verify", 1},
    {"GeneralAuthenticateWithWrongMac", "gmrtd-at-ca-ecdh-aes128", true,
     [](const TVectorSection& v) {
       return std::vector<TBytes>{v.Bytes("rsp_mse"), FlipLastMacByte(v.Bytes("rsp_ga"))};
     },
     TChipAuthOutcome::Failed, "the chip's answer to GENERAL AUTHENTICATE does not verify", 2},
    {"GeneralAuthenticateWithWrongMac3Des", "gmrtd-my-ca-ecdh-3des", false,
     [](const TVectorSection& v) {
       return std::vector<TBytes>{v.Bytes("rsp_mse"), FlipLastMacByte(v.Bytes("rsp_ga"))};
     },
     TChipAuthOutcome::Failed, "the chip's answer to GENERAL AUTHENTICATE does not verify", 2},
    {"ProofSpoilt", "gmrtd-at-ca-ecdh-aes128", true,
     [](const TVectorSection& v) {
       return std::vector<TBytes>{v.Bytes("rsp_mse"), v.Bytes("rsp_ga"), FlipLastMacByte(v.Bytes("rsp_select"))};
     },
     TChipAuthOutcome::Failed, "the chip's answer does not verify under the new keys", 3},
    // A clone: its answers under the old keys hold, but it cannot derive the
    // keys the terminal derives (here: from another ephemeral key).
    {"CloneUnderOtherKeys", "gmrtd-my-ca-ecdh-3des", false,
     [](const TVectorSection& v) {
       return std::vector<TBytes>{v.Bytes("rsp_mse"), v.Bytes("rsp_ga"), v.Bytes("rsp_select")};
     },
     TChipAuthOutcome::Failed, "the chip's answer does not verify under the new keys", 3, true},
    {"CloneAnswersWithTheOldKeysProof", "gmrtd-fr-ca-ecdh-3des-set-kat", true,
     [](const TVectorSection& v) {
       return std::vector<TBytes>{v.Bytes("rsp_mse"), v.Bytes("rsp_mse")};
     },
     TChipAuthOutcome::Failed, "the chip's answer does not verify under the new keys", 2},
    {"ProofRefusedBare", "gmrtd-de-ca-ecdh-aes128-keyid", true,
     [](const TVectorSection& v) {
       return std::vector<TBytes>{v.Bytes("rsp_mse"), v.Bytes("rsp_ga"), Hex("6988")};
     },
     TChipAuthOutcome::Failed, "the chip refused the first command under the new keys (6988)", 3},
};

INSTANTIATE_TEST_SUITE_P(Cases, ChipAuthenticationRefused, ::testing::ValuesIn(kBadRuns),
                         [](const auto& info) { return std::string(info.param.Name); });

// A 3DES chip that refuses MSE:Set AT gets MSE:Set KAT once, with the same key.
TEST_F(ChipAuthenticationRun, TripleDesChipRefusingSetAtGetsSetKat) {
  const TVectorSection v = Recorded("gmrtd-my-ca-ecdh-3des");
  card.Responder = [](const TBytes&) { return TAnswer{Hex("6A80")}; };
  const TChipAuthResult result = Run(v, false, {Hex("6A88")}, v.Bytes("sk_ifd"));
  EXPECT_EQ(result.Outcome, TChipAuthOutcome::Failed);
  EXPECT_EQ(result.Reason, "MSE:Set KAT refused (6A80)");
  ASSERT_EQ(card.Commands.size(), 2u);
  EXPECT_EQ(ToHex(card.Commands[0]), v.Text("cmd_mse"));
  EXPECT_EQ(ToHex(card.Commands[1]).substr(0, 8), "0C2241A6");
  // 91 41 <65-byte point> padded to 72 bytes: DO'87' of 73.
  EXPECT_EQ(ToHex(card.Commands[1]).substr(10, 6), "874901");
}

TEST_F(ChipAuthenticationRun, AesChipRefusingSetAtIsNotAskedAgain) {
  const TVectorSection v = Recorded("gmrtd-de-ca-ecdh-aes128-keyid");
  const TChipAuthResult result = Run(v, true, {Hex("6A88")}, v.Bytes("sk_ifd"));
  EXPECT_EQ(result.Reason, "MSE:Set AT refused (6A88)");
  EXPECT_EQ(card.Commands.size(), 1u);
}

}  // namespace
