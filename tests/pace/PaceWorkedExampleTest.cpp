// PACE Generic Mapping against the published examples (ICAO 9303-11
// Appendix G.1, ECDH on brainpoolP256r1, and G.2, DH on the 1024-bit RFC 5114
// group), a session recorded with a real passport (3DES) and a DH session
// whose shared secret starts with a zero byte: every value byte for byte,
// step by step and as one run against the chip's recorded answers.

#include <gtest/gtest.h>

#include <openssl/evp.h>

#include "bac/MrzInformation.h"
#include "card/DataObjects.h"
#include "card/messaging/AesChannel.h"
#include "crypto/PaceGroup.h"
#include "crypto/PaceKdf.h"
#include "crypto/Sha1Digest.h"
#include "pace/PaceAuthentication.h"
#include "pace/PaceCipherSuite.h"
#include "pace/PaceCommands.h"
#include "pace/PacePassword.h"
#include "reader/ApduExchange.h"
#include "support/FakeCard.h"
#include "support/FakePiccView.h"
#include "support/PaceVectors.h"

namespace {

TPrivateKey KeyFrom(const TPaceGroup& group, const TBytes& bytes) {
  TFixedRandomSource random(bytes);
  return group.NewPrivateKey();
}

struct TExample {
  const char* Section;
  TPaceCipher Cipher;
  std::uint32_t Domain;
};

class PaceWorkedExample : public ::testing::TestWithParam<TExample> {
protected:
  TVectorSection v = PublishedVectors(GetParam().Section);
  TPaceCipher cipher = GetParam().Cipher;
};

TEST_P(PaceWorkedExample, PasswordKeyAndNonce) {
  const TPacePassword password = MrzPassword(v.Text("mrz_information"));
  EXPECT_EQ(password.Reference, TPasswordReference::Mrz);
  const TSecretBuffer kPi = DeriveKey(cipher, password.Seed.Bytes(), kKdfPassword);
  EXPECT_EQ(ToHex(kPi.Bytes()), v.Text("k_pi"));
  EXPECT_EQ(ToHex(DecryptNonce(cipher, kPi.Bytes(), v.Bytes("z")).Bytes()), v.Text("s"));
}

TEST(PacePassword, IsSha1OfTheMrzInformation) {
  const TVectorSection g1 = PublishedVectors("icao-g1");
  EXPECT_EQ(ToHex(MrzPassword(g1.Text("mrz_information")).Seed.Bytes()), g1.Text("sha1_mrz"));
}

TEST_P(PaceWorkedExample, MappingAgreementKeysAndTokens) {
  const std::unique_ptr<TPaceGroup> group = MakePaceGroup(*FindPaceDomain(GetParam().Domain));
  const TPrivateKey mapKey = KeyFrom(*group, v.Bytes("sk_map_ifd"));
  EXPECT_EQ(ToHex(group->PublicKey(*mapKey)), v.Text("pk_map_ifd"));
  const std::optional<TSecretBuffer> h = group->SharedElement(*mapKey, v.Bytes("pk_map_ic"));
  ASSERT_TRUE(h);
  EXPECT_EQ(ToHex(h->Bytes()), v.Text("h"));
  ASSERT_TRUE(group->MapGenerator(v.Bytes("s"), h->Bytes()));
  EXPECT_EQ(ToHex(group->Generator()), v.Text("g_mapped"));

  const TPrivateKey agreementKey = KeyFrom(*group, v.Bytes("sk_dh_ifd"));
  EXPECT_EQ(ToHex(group->PublicKey(*agreementKey)), v.Text("pk_dh_ifd"));
  const std::optional<TSecretBuffer> k = group->SharedSecret(*agreementKey, v.Bytes("pk_dh_ic"));
  ASSERT_TRUE(k);
  EXPECT_EQ(ToHex(k->Bytes()), v.Text("k"));
  const TSecretBuffer macKey = DeriveKey(cipher, k->Bytes(), kKdfMac);
  EXPECT_EQ(ToHex(DeriveKey(cipher, k->Bytes(), kKdfEncryption).Bytes()), v.Text("ks_enc"));
  EXPECT_EQ(ToHex(macKey.Bytes()), v.Text("ks_mac"));

  const TBytes oid = v.Bytes("protocol");
  EXPECT_EQ(ToHex(AuthenticationToken(cipher, macKey.Bytes(),
                                      PublicKeyDataObject(oid, group->PublicKeyTag(), v.Bytes("pk_dh_ic")))),
            v.Text("t_ifd"));
  EXPECT_EQ(ToHex(AuthenticationToken(cipher, macKey.Bytes(),
                                      PublicKeyDataObject(oid, group->PublicKeyTag(), v.Bytes("pk_dh_ifd")))),
            v.Text("t_ic"));
}

INSTANTIATE_TEST_SUITE_P(Icao, PaceWorkedExample,
                         ::testing::Values(TExample{"icao-g1", TPaceCipher::Aes128, 13},
                                           TExample{"icao-g2", TPaceCipher::Aes128, 0}),
                         [](const auto& info) { return std::string(info.param.Section[6] == '1' ? "G1" : "G2"); });

// One PACE run against the chip's answers as recorded, with the terminal's
// private keys fed as its random bytes.
class PaceReplay : public ::testing::Test {
protected:
  void SetUp() override { ResetReaderLink(); }
  void TearDown() override { ResetReaderLink(); }

  TPaceResult Run(const std::string& mrzInformation, const std::vector<TBytes>& answers, const TBytes& randomBytes,
                  const std::vector<TPaceInfo>& infos) {
    for (const TBytes& answer : answers) card.Script.push_back({answer});
    TFixedRandomSource random(randomBytes);
    TPaceResult result = PerformPace(MrzPassword(mrzInformation), infos, session);
    EXPECT_EQ(random.Remaining(), 0u);
    return result;
  }
  std::vector<TBytes> Recorded(const TVectorSection& v, const char* prefix) {
    std::vector<TBytes> all;
    for (const char* step : {"mse", "ga1", "ga2", "ga3", "ga4"}) all.push_back(v.Bytes(std::string(prefix) + step));
    return all;
  }

  TFakePiccView view;
  TFakeCardApi card;
  tMRTD_CTX ctx{};
  TCardSession session{ctx};
};

TEST_F(PaceReplay, EcdhWorkedExampleSendsTheRecordedCommands) {
  const TVectorSection v = PublishedVectors("icao-g1");
  const TPaceResult result =
      Run(v.Text("mrz_information"), Recorded(v, "rsp_"), Concat({v.Bytes("sk_map_ifd"), v.Bytes("sk_dh_ifd")}),
          ParseCardAccess(v.Bytes("card_access")));
  EXPECT_EQ(result.Outcome, TPaceOutcome::Established);
  ASSERT_EQ(card.Commands.size(), 5u);
  const std::vector<TBytes> expected = Recorded(v, "cmd_");
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(ToHex(card.Commands[i]), ToHex(expected[i])) << i;
  const auto* channel = dynamic_cast<const TAesChannel*>(&session.Messaging());
  ASSERT_NE(channel, nullptr);
  EXPECT_EQ(ToHex(channel->Session().EncKey.Bytes()), v.Text("ks_enc"));
  EXPECT_EQ(ToHex(channel->Session().MacKey.Bytes()), v.Text("ks_mac"));
  EXPECT_EQ(ToHex(channel->Session().SSC), std::string(32, '0'));
  EXPECT_EQ(view.Texts(),
            (std::vector<std::string>{"PACE: established (id-PACE-ECDH-GM-AES-CBC-CMAC-128, brainpoolP256r1)"}));
}

TEST_F(PaceReplay, RecordedTripleDesPassportInstallsItsSessionKeys) {
  const TVectorSection v = PublishedVectors("gmrtd-nz-3des");
  const auto date = [](const std::string& yymmdd) {
    return TCalendarDate{2000 + std::stoi(yymmdd.substr(0, 2)), std::stoi(yymmdd.substr(2, 2)),
                         std::stoi(yymmdd.substr(4, 2))};
  };
  const std::string mrz = BuildMrzInformation(v.Text("document_number") + "<", date(v.Text("date_of_birth")),
                                              date(v.Text("date_of_expiry")));
  const TPaceResult result = Run(mrz, Recorded(v, "rsp_"), Concat({v.Bytes("sk_map_ifd"), v.Bytes("sk_dh_ifd")}),
                                 ParseCardAccess(v.Bytes("card_access")));
  EXPECT_EQ(result.Outcome, TPaceOutcome::Established);
  const std::vector<TBytes> expected = Recorded(v, "cmd_");
  ASSERT_EQ(card.Commands.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(ToHex(card.Commands[i]), ToHex(expected[i])) << i;
  EXPECT_TRUE(ctx.BacEnabled);
  EXPECT_TRUE(ctx.CounterFromZero);
  EXPECT_EQ(ToHex(ctx.SSC), "0000000000000000");
  EXPECT_EQ(ToHex(ctx.encK), v.Text("ks_enc"));
  EXPECT_EQ(ToHex(ctx.macK), v.Text("ks_mac"));
}

// G.2 gives no APDUs: the chip's answers are made from its published values.
std::vector<TBytes> DhAnswers(const TVectorSection& g2, const TBytes& chipToken) {
  const auto answer = [](std::uint8_t tag, const TBytes& value) {
    TBytes inner;
    AppendDataObject(inner, tag, value);
    TBytes data;
    AppendDataObject(data, 0x7C, inner);
    return Concat({data, Hex("9000")});
  };
  return {Hex("9000"), answer(0x80, g2.Bytes("z")), answer(0x82, g2.Bytes("pk_map_ic")),
          answer(0x84, g2.Bytes("pk_dh_ic")), answer(0x86, chipToken)};
}

void ExpectDhCommands(const std::vector<TBytes>& commands, const TBytes& pkMap, const TBytes& pkDh,
                      const TBytes& token) {
  ASSERT_EQ(commands.size(), 5u);
  EXPECT_EQ(ToHex(commands[0]), "0022C1A412800A04007F00070202040102830101840100");
  EXPECT_EQ(ToHex(commands[1]), "10860000027C0000");
  EXPECT_EQ(ToHex(commands[2]), "10860000867C8183818180" + ToHex(pkMap) + "00");
  EXPECT_EQ(ToHex(commands[3]), "10860000867C8183838180" + ToHex(pkDh) + "00");
  EXPECT_EQ(ToHex(commands[4]), "008600000C7C0A8508" + ToHex(token) + "00");
}

TEST_F(PaceReplay, DhWorkedExample) {
  const TVectorSection v = PublishedVectors("icao-g2");
  const std::vector<TPaceInfo> infos{{v.Bytes("protocol"), 2, 0}};
  const TPaceResult result = Run(v.Text("mrz_information"), DhAnswers(v, v.Bytes("t_ic")),
                                 Concat({v.Bytes("sk_map_ifd"), v.Bytes("sk_dh_ifd")}), infos);
  EXPECT_EQ(result.Outcome, TPaceOutcome::Established);
  ExpectDhCommands(card.Commands, v.Bytes("pk_map_ifd"), v.Bytes("pk_dh_ifd"), v.Bytes("t_ifd"));
}

// K = 00 53 3F ...: the derivation runs over all 128 bytes of it, zero first.
TEST_F(PaceReplay, DhSharedSecretKeepsItsLeadingZero) {
  const TVectorSection g2 = PublishedVectors("icao-g2");
  const TVectorSection zero = PaceVectors("dh-leading-zero.txt", "dh-leading-zero");
  ASSERT_EQ(zero.Text("k").substr(0, 2), "00");
  const std::vector<TPaceInfo> infos{{g2.Bytes("protocol"), 2, 0}};
  const TPaceResult result = Run(g2.Text("mrz_information"), DhAnswers(g2, zero.Bytes("t_ic")),
                                 Concat({g2.Bytes("sk_map_ifd"), zero.Bytes("sk_dh_ifd")}), infos);
  EXPECT_EQ(result.Outcome, TPaceOutcome::Established);
  ExpectDhCommands(card.Commands, g2.Bytes("pk_map_ifd"), zero.Bytes("pk_dh_ifd"), zero.Bytes("t_ifd"));
  const auto* channel = dynamic_cast<const TAesChannel*>(&session.Messaging());
  ASSERT_NE(channel, nullptr);
  EXPECT_EQ(ToHex(channel->Session().EncKey.Bytes()), zero.Text("ks_enc"));
  EXPECT_EQ(ToHex(channel->Session().MacKey.Bytes()), zero.Text("ks_mac"));
}

}  // namespace
