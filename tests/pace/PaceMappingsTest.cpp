// PACE Integrated Mapping and Chip Authentication Mapping against the
// published examples (ICAO 9303-11 Appendix H.1 ECDH-IM, H.2 DH-IM on the
// 1024-bit group, I.1 ECDH-CAM) and a PACE-CAM session recorded with a German
// passport: the mapping's values step by step, then whole runs against the
// chip's answers with the terminal's nonce and keys fed as its random bytes,
// every command compared byte for byte.
//
// ICAO's examples send MSE:Set AT without DO'84'; the program always sends the
// parameter id there. Their MSE:Set AT is compared with `84 01 <id>` added
// (and Lc grown by 3); the recorded German session sent 84 itself and is
// compared as it is.

#include <gtest/gtest.h>

#include <openssl/bn.h>
#include <openssl/evp.h>

#include "card/DataObjects.h"
#include "card/messaging/AesChannel.h"
#include "card/messaging/PlainCommands.h"
#include "crypto/ObjectIdentifier.h"
#include "crypto/OpenSslPointers.h"
#include "crypto/PaceGroup.h"
#include "crypto/PaceKdf.h"
#include "pace/ChipAuthenticationMapping.h"
#include "pace/IntegratedMapping.h"
#include "pace/PaceAuthentication.h"
#include "pace/PaceCipherSuite.h"
#include "pace/PaceCommands.h"
#include "pace/PacePassword.h"
#include "reader/ApduExchange.h"
#include "support/FakeCard.h"
#include "support/FakePiccView.h"
#include "support/OpenSslCmac.h"
#include "support/PaceVectors.h"

namespace {

TVectorSection MappingVectors(const std::string& section) { return PaceVectors("pace-im-cam-vectors.txt", section); }

TPrivateKey KeyOf(const TBytes& bytes) {
  TPrivateKey key(BN_secure_new());
  BN_bin2bn(bytes.data(), static_cast<int>(bytes.size()), key.get());
  return key;
}

// Appendix H's K_π is the one of the password "123456" (given in H.1 only).
TBytes CanOf(const TVectorSection&) {
  const std::string can = PaceVectors("pace-im-cam-vectors.txt", "icao-h1").Text("can");
  return TBytes(can.begin(), can.end());
}

// The SubjectPublicKeyInfo inside a ChipAuthenticationPublicKeyInfo
// SEQUENCE { OID, SubjectPublicKeyInfo, keyId }.
TBytes SubjectPublicKeyInfoOf(const TBytes& caPublicKeyInfo) {
  const std::optional<TDataObject> info = ReadDataObject(caPublicKeyInfo);
  EXPECT_TRUE(info);
  const std::optional<TDataObject> oid = ReadDataObject(info->Value);
  const std::optional<TDataObject> key = ReadDataObject(info->Value.subspan(oid->Length));
  EXPECT_EQ(key->Tag, 0x30);
  const auto start = info->Value.subspan(oid->Length).first(key->Length);
  return TBytes(start.begin(), start.end());
}

// ICAO's MSE:Set AT (no DO'84') as the program sends it: 84 01 <id> added.
std::string WithParameterId(const TBytes& mse, std::uint8_t id) {
  TBytes sent = mse;
  sent[4] = static_cast<std::uint8_t>(sent[4] + 3);
  sent.insert(sent.end(), {0x84, 0x01, id});
  return ToHex(sent);
}

// --- Integrated Mapping, step by step ---

struct TImExample {
  const char* Section;
  std::uint32_t Domain;
};

class IntegratedMappingExample : public ::testing::TestWithParam<TImExample> {
protected:
  TVectorSection v = MappingVectors(GetParam().Section);
};

TEST_P(IntegratedMappingExample, NoncePseudoRandomGeneratorKeysAndTokens) {
  // K_π of the password "123456" (the appendix's K_π), then the nonce.
  const TSecretBuffer kPi = DeriveKey(TPaceCipher::Aes128, CanPassword(CanOf(v)).Seed.Bytes(), kKdfPassword);
  EXPECT_EQ(ToHex(kPi.Bytes()), v.Text("k_pi"));
  const TSecretBuffer s = DecryptNonce(TPaceCipher::Aes128, kPi.Bytes(), v.Bytes("z"));
  EXPECT_EQ(ToHex(s.Bytes()), v.Text("s"));

  const std::unique_ptr<TPaceGroup> group = MakePaceGroup(*FindPaceDomain(GetParam().Domain));
  const std::optional<TSecretBuffer> r =
      IntegratedMappingRandom(TPaceCipher::Aes128, s.Bytes(), v.Bytes("t"), group->PrimeBits());
  ASSERT_TRUE(r);
  EXPECT_EQ(ToHex(r->Bytes()), v.Text("r_st"));
  ASSERT_TRUE(group->MapPseudoRandom(r->Bytes()));
  EXPECT_EQ(ToHex(group->Generator()), v.Text("g_mapped"));

  // The private keys as given (H.2's are not below q).
  EXPECT_EQ(ToHex(group->PublicKey(*KeyOf(v.Bytes("sk_dh_ifd")))), v.Text("pk_dh_ifd"));
  EXPECT_EQ(ToHex(group->PublicKey(*KeyOf(v.Bytes("sk_dh_ic")))), v.Text("pk_dh_ic"));
  const std::optional<TSecretBuffer> k = group->SharedSecret(*KeyOf(v.Bytes("sk_dh_ifd")), v.Bytes("pk_dh_ic"));
  ASSERT_TRUE(k);
  EXPECT_EQ(ToHex(k->Bytes()), v.Text("k"));
  const TSecretBuffer macKey = DeriveKey(TPaceCipher::Aes128, k->Bytes(), kKdfMac);
  EXPECT_EQ(ToHex(DeriveKey(TPaceCipher::Aes128, k->Bytes(), kKdfEncryption).Bytes()), v.Text("ks_enc"));
  EXPECT_EQ(ToHex(macKey.Bytes()), v.Text("ks_mac"));
  const TBytes oid = v.Bytes("protocol");
  const TBytes tIfdInput = PublicKeyDataObject(oid, group->PublicKeyTag(), v.Bytes("pk_dh_ic"));
  EXPECT_EQ(ToHex(tIfdInput), v.Text("t_ifd_input"));
  EXPECT_EQ(ToHex(AuthenticationToken(TPaceCipher::Aes128, macKey.Bytes(), tIfdInput)), v.Text("t_ifd"));
  EXPECT_EQ(ToHex(AuthenticationToken(TPaceCipher::Aes128, macKey.Bytes(),
                                      PublicKeyDataObject(oid, group->PublicKeyTag(), v.Bytes("pk_dh_ifd")))),
            v.Text("t_ic"));
}

INSTANTIATE_TEST_SUITE_P(Icao, IntegratedMappingExample,
                         ::testing::Values(TImExample{"icao-h1", 13}, TImExample{"icao-h2", 0}),
                         [](const auto& info) { return std::string(info.param.Domain == 13 ? "H1" : "H2"); });

TEST(IntegratedMappingRandom, WantsTheNonceLengthsOfTheSuite) {
  const TVectorSection h1 = MappingVectors("icao-h1");
  const TBytes s = h1.Bytes("s");
  const TBytes t = h1.Bytes("t");
  EXPECT_FALSE(IntegratedMappingRandom(TPaceCipher::Aes128, TBytes(s.begin(), s.end() - 1), t, 256));
  EXPECT_FALSE(IntegratedMappingRandom(TPaceCipher::Aes128, s, TBytes(t.begin(), t.end() - 1), 256));
  // AES-256 takes a 32-byte t and a 32-byte s (l = 256).
  EXPECT_FALSE(IntegratedMappingRandom(TPaceCipher::Aes256, s, t, 256));
  EXPECT_EQ(IntegratedMappingRandom(TPaceCipher::Aes256, Concat({s, s}), Concat({t, t}), 256)->size(), 64u);
  EXPECT_EQ(IntegratedMappingRandom(TPaceCipher::TripleDes, s, t, 1024)->size(), 144u);
}

// --- Whole runs against the chip's answers ---

class PaceMappingReplay : public ::testing::Test {
protected:
  void SetUp() override { ResetReaderLink(); }
  void TearDown() override { ResetReaderLink(); }

  TPaceResult Run(const TPacePassword& password, const std::vector<TBytes>& answers, const TBytes& randomBytes,
                  const std::vector<TPaceInfo>& infos) {
    for (const TBytes& answer : answers) card.Script.push_back({answer});
    TFixedRandomSource random(randomBytes);
    TPaceResult result = PerformPace(password, infos, session);
    EXPECT_EQ(random.Remaining(), 0u);
    return result;
  }
  static std::vector<TBytes> Recorded(const TVectorSection& v, const char* prefix) {
    std::vector<TBytes> all;
    for (const char* step : {"mse", "ga1", "ga2", "ga3", "ga4"}) all.push_back(v.Bytes(std::string(prefix) + step));
    return all;
  }
  // The four GENERAL AUTHENTICATE commands as the vectors give them.
  void ExpectGeneralAuthenticates(const TVectorSection& v) {
    ASSERT_EQ(card.Commands.size(), 5u);
    const std::vector<TBytes> expected = Recorded(v, "cmd_");
    for (std::size_t i = 1; i < expected.size(); ++i) EXPECT_EQ(ToHex(card.Commands[i]), ToHex(expected[i])) << i;
  }
  void ExpectAesKeys(const TVectorSection& v) {
    const auto* channel = dynamic_cast<const TAesChannel*>(&session.Messaging());
    ASSERT_NE(channel, nullptr);
    EXPECT_EQ(ToHex(channel->Session().EncKey.Bytes()), v.Text("ks_enc"));
    EXPECT_EQ(ToHex(channel->Session().MacKey.Bytes()), v.Text("ks_mac"));
    EXPECT_EQ(ToHex(channel->Session().SSC), std::string(32, '0'));
  }

  TFakePiccView view;
  TFakeCardApi card;
  tMRTD_CTX ctx{};
  TCardSession session{ctx};
};

TEST_F(PaceMappingReplay, EcdhIntegratedMappingSendsTheTerminalNonceAndOpens) {
  const TVectorSection v = MappingVectors("icao-h1");
  const TPaceResult result = Run(CanPassword(CanOf(v)), Recorded(v, "rsp_"),
                                 Concat({v.Bytes("t"), v.Bytes("sk_dh_ifd")}), {{v.Bytes("protocol"), 2, 13}});
  EXPECT_EQ(result.Outcome, TPaceOutcome::Established);
  EXPECT_FALSE(result.Cam);
  ExpectGeneralAuthenticates(v);
  EXPECT_EQ(ToHex(card.Commands[0]), WithParameterId(v.Bytes("cmd_mse"), 0x0D));
  ExpectAesKeys(v);
  EXPECT_EQ(view.Texts(),
            (std::vector<std::string>{"PACE: established (id-PACE-ECDH-IM-AES-CBC-CMAC-128, brainpoolP256r1, CAN)"}));
}

// The chip's empty mapping answer in the forms a chip may give it; a mapping
// answer with content is not one.
TEST_F(PaceMappingReplay, IntegratedMappingTakesAnyEmptyMappingAnswer) {
  const TVectorSection v = MappingVectors("icao-h1");
  const struct {
    const char* Answer;
    TPaceOutcome Outcome;
  } cases[] = {
      {"7C0282009000", TPaceOutcome::Established}, {"7C009000", TPaceOutcome::Established},
      {"9000", TPaceOutcome::Established},         {"7C038201009000", TPaceOutcome::Failed},
      {"7C0282006A80", TPaceOutcome::Failed},
  };
  for (const auto& c : cases) {
    ResetReaderLink();
    card.Reset();
    view.Lines.clear();
    std::vector<TBytes> answers = Recorded(v, "rsp_");
    answers[2] = Hex(c.Answer);
    if (c.Outcome != TPaceOutcome::Established) answers.resize(3);
    for (const TBytes& answer : answers) card.Script.push_back({answer});
    TFixedRandomSource random(Concat({v.Bytes("t"), v.Bytes("sk_dh_ifd")}));
    EXPECT_EQ(PerformPace(CanPassword(CanOf(v)), std::vector<TPaceInfo>{{v.Bytes("protocol"), 2, 13}}, session).Outcome,
              c.Outcome)
        << c.Answer;
  }
}

// H.2's own private keys are 1023-bit exponents: the terminal draws its key
// below q, so the chip's token is made here for the key it drew (libcrypto's
// arithmetic, SHA-1 and CMAC), the chip's published public key and nonces as
// they are.
TEST_F(PaceMappingReplay, DhIntegratedMappingOnTheThousandTwentyFourBitGroup) {
  const TVectorSection v = MappingVectors("icao-h2");
  const TBytes terminalKey = Hex("5265030F751F4AD18B08AC565FC7AC952E41618D");
  const TBignumPtr p(BN_bin2bn(v.Bytes("dh_p").data(), 128, nullptr));
  const TBignumPtr g(BN_bin2bn(v.Bytes("g_mapped").data(), 128, nullptr));
  const TBignumPtr chipKey(BN_bin2bn(v.Bytes("pk_dh_ic").data(), 128, nullptr));
  const TBignumPtr sk(BN_bin2bn(terminalKey.data(), static_cast<int>(terminalKey.size()), nullptr));
  const TBnCtxPtr context(BN_CTX_new());
  const TBignumPtr pk(BN_new());
  const TBignumPtr k(BN_new());
  ASSERT_EQ(BN_mod_exp(pk.get(), g.get(), sk.get(), p.get(), context.get()), 1);
  ASSERT_EQ(BN_mod_exp(k.get(), chipKey.get(), sk.get(), p.get(), context.get()), 1);
  TBytes pkBytes(static_cast<std::size_t>(BN_num_bytes(pk.get())));
  BN_bn2bin(pk.get(), pkBytes.data());
  TBytes kBytes(128);
  BN_bn2binpad(k.get(), kBytes.data(), 128);
  TBytes digest(20);
  const TBytes macInput = Concat({kBytes, Hex("00000002")});
  ASSERT_EQ(EVP_Digest(macInput.data(), macInput.size(), digest.data(), nullptr, EVP_sha1(), nullptr), 1);
  const TBytes macKey(digest.begin(), digest.begin() + 16);
  const auto keyObject = [&](const TBytes& key) {
    TBytes inner;
    AppendDataObject(inner, 0x06, v.Bytes("protocol"));
    AppendDataObject(inner, 0x84, key);
    TBytes object;
    AppendDataObject(object, 0x7F49, inner);
    return object;
  };
  const TBytes chipToken = OpenSslCmac8(macKey, keyObject(pkBytes));
  const TBytes terminalToken = OpenSslCmac8(macKey, keyObject(v.Bytes("pk_dh_ic")));

  std::vector<TBytes> answers = Recorded(v, "rsp_");
  answers[4] = Concat({Hex("7C0A8608"), chipToken, Hex("9000")});
  const TPaceResult result = Run(CanPassword(CanOf(v)), answers, Concat({v.Bytes("t"), terminalKey}),
                                 ParseCardAccess(Concat({Hex("3114"), v.Bytes("pace_info")})));
  EXPECT_EQ(result.Outcome, TPaceOutcome::Established);
  ASSERT_EQ(card.Commands.size(), 5u);
  EXPECT_EQ(ToHex(card.Commands[0]), WithParameterId(v.Bytes("cmd_mse"), 0x00));
  EXPECT_EQ(ToHex(card.Commands[1]), v.Text("cmd_ga1"));
  EXPECT_EQ(ToHex(card.Commands[2]), v.Text("cmd_ga2"));
  // 10 86 00 00 Lc 7C { 83 pk } 00, the terminal's key as drawn.
  TBytes keyAgreement;
  AppendDataObject(keyAgreement, 0x83, pkBytes);
  TBytes data;
  AppendDataObject(data, 0x7C, keyAgreement);
  EXPECT_EQ(ToHex(card.Commands[3]),
            ToHex(Concat({Hex("10860000"), TBytes{static_cast<std::uint8_t>(data.size())}, data, Hex("00")})));
  EXPECT_EQ(ToHex(card.Commands[4]), "008600000C7C0A8508" + ToHex(terminalToken) + "00");
  EXPECT_EQ(view.Texts(), (std::vector<std::string>{"PACE: established (id-PACE-DH-IM-AES-CBC-CMAC-128, 1024-bit MODP "
                                                    "group with 160-bit prime order subgroup, CAN)"}));
}

// I.1 (all APDUs printed in the appendix) and the German passport's session:
// CAM chosen, the commands byte for byte, CA_IC deciphered and checked against
// the chip's static key.
struct TCamSession {
  const char* Section;
  bool IcaoMse;  // MSE:Set AT printed without DO'84'
};

class CamSessionReplay : public PaceMappingReplay, public ::testing::WithParamInterface<TCamSession> {};

TEST_P(CamSessionReplay, EstablishesAndLeavesTheEvidenceThatChecks) {
  const TVectorSection v = MappingVectors(GetParam().Section);
  const TPaceResult result =
      Run(MrzPassword(v.Text("mrz_information")), Recorded(v, "rsp_"),
          Concat({v.Bytes("sk_map_ifd"), v.Bytes("sk_dh_ifd")}), ParseCardAccess(v.Bytes("card_access")));
  ASSERT_EQ(result.Outcome, TPaceOutcome::Established);
  ExpectGeneralAuthenticates(v);
  EXPECT_EQ(ToHex(card.Commands[0]),
            GetParam().IcaoMse ? WithParameterId(v.Bytes("cmd_mse"), 0x0D) : v.Text("cmd_mse"));
  ExpectAesKeys(v);
  EXPECT_EQ(view.Texts(),
            (std::vector<std::string>{"PACE: established (id-PACE-ECDH-CAM-AES-CBC-CMAC-128, brainpoolP256r1)"}));

  ASSERT_TRUE(result.Cam);
  EXPECT_EQ(result.Cam->ParameterId, 13u);
  EXPECT_EQ(ToHex(result.Cam->ChipMappingKey), v.Text("pk_map_ic"));
  EXPECT_EQ(ToHex(result.Cam->CaIc), v.Text("ca_ic"));
  const TCamCheck check = CheckChipAuthenticationMapping(*result.Cam, SubjectPublicKeyInfoOf(v.Bytes("ca_pk_info")));
  EXPECT_TRUE(check.Passed) << check.Reason;
}

INSTANTIATE_TEST_SUITE_P(Recorded, CamSessionReplay,
                         ::testing::Values(TCamSession{"icao-i1", true}, TCamSession{"gmrtd-de-pace-cam", false}),
                         [](const auto& info) {
                           return std::string(info.param.IcaoMse ? "IcaoI1" : "GermanPassport");
                         });

// The secure messaging CAM leaves (PACE's keys, counter from zero) protects
// the first commands of reading EF.CardSecurity as recorded after the session,
// and opens the chip's answers: SELECT and the READ BINARY of its first 4 bytes.
struct TCamThenSecureMessaging {
  const char* PaceSection;
  const char* MessagingSection;
  const char* FirstBytes;
};

class CamThenSecureMessaging : public PaceMappingReplay,
                               public ::testing::WithParamInterface<TCamThenSecureMessaging> {};

TEST_P(CamThenSecureMessaging, ProtectsAndOpensTheRecordedExchanges) {
  const TVectorSection v = MappingVectors(GetParam().PaceSection);
  const TVectorSection sm = MappingVectors(GetParam().MessagingSection);
  std::vector<TBytes> answers = Recorded(v, "rsp_");
  answers.push_back(sm.Bytes("rsp_select"));
  answers.push_back(sm.Bytes("rsp_rb1"));
  const TPaceResult result =
      Run(MrzPassword(v.Text("mrz_information")), answers, Concat({v.Bytes("sk_map_ifd"), v.Bytes("sk_dh_ifd")}),
          ParseCardAccess(v.Bytes("card_access")));
  ASSERT_EQ(result.Outcome, TPaceOutcome::Established);
  const TCardAnswer selected = session.Transmit(BuildSelectFileId(0x011D), {.Form = TAnswerForm::Status});
  EXPECT_EQ(selected.Status(), kSwSuccess);
  const TCardAnswer read = session.Transmit(*BuildReadBinary(0, 4));
  EXPECT_EQ(read.Status(), kSwSuccess);
  EXPECT_EQ(ToHex(read.Response.Data), GetParam().FirstBytes);
  ASSERT_EQ(card.Commands.size(), 7u);
  EXPECT_EQ(ToHex(card.Commands[5]), sm.Text("cmd_select"));
  EXPECT_EQ(ToHex(card.Commands[6]), sm.Text("cmd_rb1"));
}

INSTANTIATE_TEST_SUITE_P(
    Recorded, CamThenSecureMessaging,
    ::testing::Values(TCamThenSecureMessaging{"icao-i1", "gmrtd-icao-i1-cardsecurity-standin", "31643062"},
                      TCamThenSecureMessaging{"gmrtd-de-pace-cam", "gmrtd-de-pace-cam", "30820742"}),
    [](const auto& info) { return std::string(info.param.FirstBytes[1] == '1' ? "IcaoI1" : "GermanPassport"); });

// A CAM chip whose last answer carries its token but no chip authentication
// data has not done CAM: PACE fails.
TEST_F(PaceMappingReplay, CamAnswerWithoutChipAuthenticationDataFails) {
  const TVectorSection v = MappingVectors("icao-i1");
  std::vector<TBytes> answers = Recorded(v, "rsp_");
  answers[4] = Concat({Hex("7C0A8608"), v.Bytes("t_ic"), Hex("9000")});
  const TPaceResult result =
      Run(MrzPassword(v.Text("mrz_information")), answers, Concat({v.Bytes("sk_map_ifd"), v.Bytes("sk_dh_ifd")}),
          ParseCardAccess(v.Bytes("card_access")));
  EXPECT_EQ(result.Outcome, TPaceOutcome::Failed);
  EXPECT_FALSE(result.Cam);
  EXPECT_EQ(view.Texts(), (std::vector<std::string>{"PACE: failed (no chip authentication data in the last answer)"}));
}

TEST(ChipAuthenticationData, DeciphersToCaIcAtTheOrderLength) {
  const TVectorSection v = MappingVectors("icao-i1");
  EXPECT_EQ(ToHex(*DecryptChipAuthenticationData(v.Bytes("ks_enc"), v.Bytes("a_ic"), 32)), v.Text("ca_ic"));
  // Longer than the group order, or not whole blocks: nothing.
  EXPECT_FALSE(DecryptChipAuthenticationData(v.Bytes("ks_enc"), v.Bytes("a_ic"), 28));
  const TBytes aIc = v.Bytes("a_ic");
  EXPECT_FALSE(DecryptChipAuthenticationData(v.Bytes("ks_enc"), TBytes(aIc.begin(), aIc.end() - 1), 32));
}

// The check on its own: the published evidence passes with its own key and
// with nothing else.
TEST(ChipAuthenticationMappingCheck, PassesOnlyForTheChipsOwnKeyAndCaIc) {
  const TVectorSection i1 = MappingVectors("icao-i1");
  const TVectorSection de = MappingVectors("gmrtd-de-pace-cam");
  const auto evidence = [](const TVectorSection& v) {
    return TCamEvidence{13, v.Bytes("pk_map_ic"), v.Bytes("ca_ic")};
  };
  TCamEvidence wrongCaIc = evidence(i1);
  wrongCaIc.CaIc.back() ^= 0x01;
  TCamEvidence otherCurve = evidence(i1);
  otherCurve.ParameterId = 12;
  const TBytes i1Key = SubjectPublicKeyInfoOf(i1.Bytes("ca_pk_info"));
  const TBytes deKey = SubjectPublicKeyInfoOf(de.Bytes("ca_pk_info"));
  TBytes brokenKey = i1Key;
  brokenKey.back() ^= 0x01;  // no longer a point of the curve
  const struct {
    const char* Name;
    TCamEvidence Evidence;
    TBytes Key;
    bool Passed;
    const char* Reason;
  } cases[] = {
      {"I.1", evidence(i1), i1Key, true, ""},
      {"German passport, keyId 13", evidence(de), deKey, true, ""},
      {"wrong CA_IC", wrongCaIc, i1Key, false, "wrong CA_IC"},
      {"another chip's key", evidence(i1), deKey, false, "wrong CA_IC"},
      {"key not on the curve", evidence(i1), brokenKey, false, "wrong CA_IC"},
      {"parameter id of another curve", otherCurve, i1Key, false,
       "chip key on brainpoolP256r1, not on the curve of parameter id 12"},
      {"no key", evidence(i1), Hex("3000"), false, "chip key: public key not readable"},
  };
  for (const auto& c : cases) {
    const TCamCheck check = CheckChipAuthenticationMapping(c.Evidence, c.Key);
    EXPECT_EQ(check.Passed, c.Passed) << c.Name;
    EXPECT_EQ(check.Reason, c.Reason) << c.Name;
  }
}

// CAM before Generic Mapping before Integrated Mapping, whatever the order of
// the file; an Integrated-Mapping-only chip is still opened.
TEST(ChoosePaceInfo, PrefersCamThenGenericThenIntegratedMapping) {
  const TPaceInfo im{Hex("04007F00070202040402"), 2, 13};
  const TPaceInfo gm{Hex("04007F00070202040202"), 2, 13};
  const TPaceInfo cam{Hex("04007F00070202040602"), 2, 13};
  const TPaceInfo dhIm{Hex("04007F00070202040302"), 2, 0};
  const struct {
    std::vector<TPaceInfo> Offered;
    const TPaceInfo* Chosen;
  } cases[] = {
      {{im, gm, cam}, &cam}, {{cam, gm}, &cam}, {{im, gm}, &gm}, {{im}, &im}, {{dhIm}, &dhIm},
  };
  for (const auto& c : cases) {
    const TPaceInfo* chosen = ChoosePaceInfo(c.Offered);
    ASSERT_NE(chosen, nullptr);
    EXPECT_EQ(*chosen, *c.Chosen) << DottedOid(c.Chosen->Oid);
  }
}

}  // namespace
