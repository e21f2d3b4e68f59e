// DG14 parsed from the four recorded passports' files (tests/support/data/
// chipauth-vectors.txt) and from small files made here: what is kept, which
// Chip Authentication is chosen, and files that give nothing.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "crypto/ChipAuthProtocols.h"
#include "document/DG14.h"
#include "support/PaceVectors.h"

namespace {

TVectorSection Recorded(const std::string& section) { return PaceVectors("chipauth-vectors.txt", section); }

struct TRecordedDG14 {
  const char* Section;
  std::size_t ChipAuthenticationInfos;
  std::optional<std::int64_t> KeyId;
  bool Announced;
};

class RecordedDG14 : public ::testing::TestWithParam<TRecordedDG14> {};

TEST_P(RecordedDG14, ChoosesTheRecordedProtocolAndKey) {
  const TRecordedDG14 expected = GetParam();
  const TVectorSection v = Recorded(expected.Section);
  const std::optional<TDG14> dg14 = ParseDG14(v.Bytes("dg14"));
  ASSERT_TRUE(dg14);
  // PACEInfos and TerminalAuthenticationInfos are no Chip Authentication entries.
  EXPECT_EQ(dg14->ChipAuthenticationInfos.size(), expected.ChipAuthenticationInfos);
  ASSERT_EQ(dg14->ChipAuthenticationPublicKeys.size(), 1u);
  EXPECT_FALSE(dg14->ActiveAuthentication);

  const std::optional<TChipAuthenticationKey> key = ChooseChipAuthentication(*dg14);
  ASSERT_TRUE(key);
  EXPECT_EQ(ToHex(key->ProtocolOid), v.Text("protocol"));
  EXPECT_EQ(key->KeyId, expected.KeyId);
  EXPECT_EQ(key->Announced, expected.Announced);
  // The whole SubjectPublicKeyInfo, explicit parameters and all, ending in the chip's point.
  const std::string info = ToHex(key->PublicKeyInfo);
  EXPECT_EQ(info.substr(0, 4), "3082");
  EXPECT_EQ(info.substr(info.size() - v.Text("pk_ic").size()), v.Text("pk_ic"));
  EXPECT_NE(v.Text("dg14").find(info), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Passports, RecordedDG14,
                         ::testing::Values(TRecordedDG14{"gmrtd-at-ca-ecdh-aes128", 1, std::nullopt, true},
                                           TRecordedDG14{"gmrtd-de-ca-ecdh-aes128-keyid", 1, 195, true},
                                           TRecordedDG14{"gmrtd-my-ca-ecdh-3des", 1, std::nullopt, true},
                                           TRecordedDG14{"gmrtd-fr-ca-ecdh-3des-set-kat", 0, std::nullopt, false}),
                         [](const auto& info) { return std::string(info.param.Section).substr(6, 2); });

// DER builders for small files.
TBytes Der(std::uint8_t tag, const TBytes& value) {
  TBytes out{tag};
  if (value.size() >= 0x80) out.push_back(value.size() > 0xFF ? 0x82 : 0x81);
  if (value.size() > 0xFF) out.push_back(static_cast<std::uint8_t>(value.size() >> 8));
  out.push_back(static_cast<std::uint8_t>(value.size()));
  out.insert(out.end(), value.begin(), value.end());
  return out;
}
TBytes Seq(std::initializer_list<TBytes> parts) { return Der(0x30, Concat(parts)); }
TBytes Oid(const char* hex) { return Der(0x06, Hex(hex)); }
TBytes Int(std::uint8_t value) { return Der(0x02, {value}); }
TBytes File(std::initializer_list<TBytes> entries) { return Der(0x6E, Der(0x31, Concat(entries))); }

const char* kCaEcdhAes128 = "04007F00070202030202";
const char* kCaEcdh3Des = "04007F00070202030201";
const char* kCaDhAes128 = "04007F00070202030102";
const char* kPkEcdh = "04007F000702020102";
const char* kPkDh = "04007F000702020101";
const TBytes kKeyA = Seq({Seq({Oid("2A8648CE3D0201"), Oid("2B2403030208010107")}), Der(0x03, Hex("0004AA"))});
const TBytes kKeyB = Seq({Seq({Oid("2A8648CE3D0201"), Oid("2B2403030208010107")}), Der(0x03, Hex("0004BB"))});
const TBytes kDhKey = Seq({Seq({Oid("2A8648CE3E0201"), Seq({Int(23), Int(5), Int(11)})}), Der(0x03, Hex("00020107"))});

TEST(DG14, KeepsTheActiveAuthenticationInfo) {
  // id-AA, version 1, ecdsa-with-SHA256; and an entry of no known protocol.
  const std::optional<TDG14> dg14 =
      ParseDG14(File({Seq({Oid("0401"), Int(1)}), Seq({Oid("678108010105"), Int(1), Oid("2A8648CE3D040302")})}));
  ASSERT_TRUE(dg14);
  ASSERT_TRUE(dg14->ActiveAuthentication);
  EXPECT_EQ(dg14->ActiveAuthentication->Version, 1);
  EXPECT_EQ(ToHex(dg14->ActiveAuthentication->SignatureAlgorithm), "2A8648CE3D040302");
  EXPECT_FALSE(ChooseChipAuthentication(*dg14));
}

struct TChoice {
  const char* Name;
  TBytes File;
  std::optional<TChipAuthenticationKey> Chosen;
};

const auto kChoices = [] {
  const TBytes ecdhAes = Hex(kCaEcdhAes128);
  return std::vector<TChoice>{
      {"KeyOfTheSameId",
       File({Seq({Oid(kPkEcdh), kKeyA, Int(1)}), Seq({Oid(kCaEcdhAes128), Int(1), Int(2)}),
             Seq({Oid(kPkEcdh), kKeyB, Int(2)})}),
       TChipAuthenticationKey{ecdhAes, 2, kKeyB, true}},
      {"NoKeyOfThatId", File({Seq({Oid(kPkEcdh), kKeyA, Int(1)}), Seq({Oid(kCaEcdhAes128), Int(1), Int(3)})}),
       std::nullopt},
      {"OnlyKeyWithoutId", File({Seq({Oid(kCaEcdhAes128), Int(1)}), Seq({Oid(kPkEcdh), kKeyA})}),
       TChipAuthenticationKey{ecdhAes, std::nullopt, kKeyA, true}},
      {"TwoKeysAndNoIdChoosesNone",
       File(
           {Seq({Oid(kCaEcdhAes128), Int(1)}), Seq({Oid(kPkEcdh), kKeyA, Int(1)}), Seq({Oid(kPkEcdh), kKeyB, Int(2)})}),
       std::nullopt},
      {"UnknownProtocolPassedOver",
       File({Seq({Oid("04007F00070202030209"), Int(1)}), Seq({Oid(kCaEcdh3Des), Int(1)}), Seq({Oid(kPkEcdh), kKeyA})}),
       TChipAuthenticationKey{Hex(kCaEcdh3Des), std::nullopt, kKeyA, true}},
      {"KeyOfTheOtherAgreementNotTaken", File({Seq({Oid(kCaEcdhAes128), Int(1)}), Seq({Oid(kPkDh), kDhKey})}),
       std::nullopt},
      {"DhKeyAloneImpliesDh3Des", File({Seq({Oid(kPkDh), kDhKey, Int(7)})}),
       TChipAuthenticationKey{Hex("04007F00070202030101"), 7, kDhKey, false}},
      {"DhInfoAndKey", File({Seq({Oid(kPkDh), kDhKey}), Seq({Oid(kCaDhAes128), Int(1)})}),
       TChipAuthenticationKey{Hex(kCaDhAes128), std::nullopt, kDhKey, true}},
      {"MalformedInfoPassedOver", File({Seq({Oid(kCaEcdhAes128), Oid("0401")}), Seq({Oid(kPkEcdh), kKeyA})}),
       TChipAuthenticationKey{Hex(kCaEcdh3Des), std::nullopt, kKeyA, false}},
      // Entries the program cannot use do not cost it the ones it can.
      {"EntriesNotSecurityInfosPassedOver",
       File({Int(1), Seq({Int(1), Int(2)}), Seq({Oid(kCaEcdhAes128), Int(1)}), Seq({Oid(kPkEcdh), kKeyA})}),
       TChipAuthenticationKey{ecdhAes, std::nullopt, kKeyA, true}},
      {"VersionTwoPassedOverForVersionOne",
       File({Seq({Oid(kCaEcdhAes128), Int(2), Int(1)}), Seq({Oid(kCaEcdh3Des), Int(1), Int(2)}),
             Seq({Oid(kPkEcdh), kKeyA, Int(1)}), Seq({Oid(kPkEcdh), kKeyB, Int(2)})}),
       TChipAuthenticationKey{Hex(kCaEcdh3Des), 2, kKeyB, true}},
  };
}();

class DG14Choice : public ::testing::TestWithParam<TChoice> {};

TEST_P(DG14Choice, ChoosesTheKeyOfTheProtocol) {
  const std::optional<TDG14> dg14 = ParseDG14(GetParam().File);
  ASSERT_TRUE(dg14);
  EXPECT_EQ(ChooseChipAuthentication(*dg14), GetParam().Chosen);
}

INSTANTIATE_TEST_SUITE_P(Files, DG14Choice, ::testing::ValuesIn(kChoices),
                         [](const auto& info) { return std::string(info.param.Name); });

// Why each option DG14 offers can or cannot run, in DG14's order.
TEST(DG14, OptionsSayWhyTheyCannotRun) {
  const std::optional<TDG14> dg14 = ParseDG14(
      File({Seq({Oid("04007F00070202030209"), Int(1)}), Seq({Oid(kCaEcdhAes128), Int(2)}),
            Seq({Oid(kCaEcdhAes128), Int(1), Int(3)}), Seq({Oid(kCaEcdh3Des), Int(1)}), Seq({Oid(kCaDhAes128), Int(1)}),
            Seq({Oid(kPkEcdh), kKeyA, Int(1)}), Seq({Oid(kPkEcdh), kKeyB, Int(2)})}));
  ASSERT_TRUE(dg14);
  const std::vector<TChipAuthenticationOption> options = ChipAuthenticationOptions(*dg14);
  std::vector<std::string> problems;
  for (const TChipAuthenticationOption& option : options) {
    EXPECT_FALSE(option.Key) << option.Problem;
    problems.push_back(option.Problem);
  }
  EXPECT_EQ(problems,
            (std::vector<std::string>{"protocol 0.4.0.127.0.7.2.2.3.2.9 not known", "version 2", "no key with keyId 3",
                                      "2 keys and no keyId to choose between them", "no key of its kind"}));
  EXPECT_FALSE(ChooseChipAuthentication(*dg14));
}

// Files that are not well formed give nothing.
TEST(DG14, NotWellFormedGivesNothing) {
  const TBytes good = Recorded("gmrtd-my-ca-ecdh-3des").Bytes("dg14");
  ASSERT_TRUE(ParseDG14(good));
  TBytes otherTag = good;
  otherTag[0] = 0x6F;
  TBytes longer = good;
  longer.push_back(0x00);
  TBytes shorterSet = good;
  shorterSet[7] -= 1;  // 6E 82 01 6A 31 82 01 66: the SET one byte shorter than its content
  const std::vector<std::pair<const char*, TBytes>> bad{
      {"empty", {}},
      {"other tag", otherTag},
      {"cut off", TBytes(good.begin(), good.end() - 1)},
      {"bytes after", longer},
      {"SET shorter than the wrapper", shorterSet},
      {"SEQUENCE instead of SET", Der(0x6E, Seq({Seq({Oid(kPkEcdh), kKeyA})}))},
  };
  for (const auto& [name, file] : bad) EXPECT_FALSE(ParseDG14(file)) << name;
}

}  // namespace
