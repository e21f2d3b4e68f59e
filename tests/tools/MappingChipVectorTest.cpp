// The chip's own PACE with Integrated and Chip Authentication Mapping
// (tools/mappingchip) against the worked examples of ICAO 9303-11 (H.1 ECDH
// IM, H.2 DH IM, I.1 ECDH CAM): the terminal's values and the chip's fixed
// random values go in, and every answer of the chip must equal the published
// one byte for byte. After I.1, the secure messaging exchanges of a published
// read of EF.CardSecurity under the session's keys are replayed too.

#include <gtest/gtest.h>

#include <openssl/evp.h>

#include <memory>
#include <string>

#include "ChipHarness.h"
#include "support/VectorFile.h"
#include "tools/mappingchip/MappingPaceChip.h"

namespace simchip::testing {
namespace {

const std::string kVectors = std::string(ZELVAN_TOOLS_TEST_DATA) + "/pace-im-cam-vectors.txt";

struct TVectorCase {
  const char* Section;
  const char* Protocol;
  int ParameterId;
  const char* Can;  // empty: the MRZ of the section
};

const TVectorCase kCases[] = {
    {"icao-h1", "id-PACE-ECDH-IM-AES-CBC-CMAC-128", 13, "123456"},
    {"icao-h2", "id-PACE-DH-IM-AES-CBC-CMAC-128", 0, "123456"},
    {"icao-i1", "id-PACE-ECDH-CAM-AES-CBC-CMAC-128", 13, ""},
};

bool HasValue(const TVectorSection& section, const std::string& name) {
  try {
    section.Text(name);
    return true;
  } catch (const std::out_of_range&) {
    return false;
  }
}

std::string MrzOf(const TVectorCase& c, const TVectorSection& v) {
  return *c.Can ? kSpecimenMrzInformation : v.Text("mrz_information");
}

// A chip behind this MRZ information with the section's fixed random values, serving the section's protocol
// with this CAN (none: the MRZ).
struct TVectorChip {
  TVectorChip(const TVectorCase& c, const TVectorSection& v, const std::string& mrzInformation, const std::string& can)
      : Harness(mrzInformation), Mappings(Harness.Chip, Options(c, v, can)) {
    Mappings.SetNextSecrets(
        {v.Bytes("s"), HasValue(v, "sk_map_ic") ? v.Bytes("sk_map_ic") : TBytes{}, v.Bytes("sk_dh_ic")});
  }

  static mappingchip::TMappingChipOptions Options(const TVectorCase& c, const TVectorSection& v,
                                                  const std::string& can) {
    mappingchip::TMappingChipOptions options;
    options.Pace.Offers = {{c.Protocol, c.ParameterId}};
    options.Pace.Can = can;
    if (HasValue(v, "sk_ic")) options.CamPrivateKey = v.Bytes("sk_ic");
    return options;
  }

  TChipHarness Harness;
  mappingchip::TMappingPaceChip Mappings;
};

class MappingChipVectorTest : public ::testing::TestWithParam<TVectorCase> {};

TEST_P(MappingChipVectorTest, EveryAnswerEqualsThePublishedOne) {
  const TVectorCase& c = GetParam();
  const TVectorSection v = ReadVectorSection(kVectors, c.Section);
  TVectorChip chip(c, v, MrzOf(c, v), c.Can);

  const auto exchange = [&](const std::string& command, const std::string& response) {
    SCOPED_TRACE(command);
    EXPECT_EQ(ToHex(chip.Harness.Exchange(v.Bytes(command))), ToHex(v.Bytes(response)));
  };
  exchange("cmd_mse", "rsp_mse");
  exchange("cmd_ga1", "rsp_ga1");
  exchange("cmd_ga2", "rsp_ga2");
  ASSERT_TRUE(chip.Mappings.MappedGenerator());
  EXPECT_EQ(ToHex(*chip.Mappings.MappedGenerator()), ToHex(v.Bytes("g_mapped")));
  exchange("cmd_ga3", "rsp_ga3");
  ASSERT_TRUE(chip.Mappings.SessionKeys());
  EXPECT_EQ(ToHex(chip.Mappings.SessionKeys()->Enc), ToHex(v.Bytes("ks_enc")));
  EXPECT_EQ(ToHex(chip.Mappings.SessionKeys()->Mac), ToHex(v.Bytes("ks_mac")));
  exchange("cmd_ga4", "rsp_ga4");
  EXPECT_TRUE(chip.Mappings.Established());
}

// K_pi of a password by OpenSSL's SHA-1: of the CAN's characters, or of SHA-1 of the MRZ information.
TBytes PasswordKey(const std::string& mrzInformation, const std::string& can) {
  const auto sha1 = [](const TBytes& data) {
    TBytes digest(EVP_MAX_MD_SIZE);
    unsigned int length = 0;
    EXPECT_EQ(EVP_Digest(data.data(), data.size(), digest.data(), &length, EVP_sha1(), nullptr), 1);
    digest.resize(length);
    return digest;
  };
  const TBytes secret =
      can.empty() ? sha1(TBytes(mrzInformation.begin(), mrzInformation.end())) : TBytes(can.begin(), can.end());
  const TBytes key = sha1(Concat({secret, {0x00, 0x00, 0x00, 0x03}}));
  return TBytes(key.begin(), key.begin() + 16);
}

// AES-128-ECB decipherment of one block by OpenSSL.
TBytes DecryptBlock(const TBytes& key, const TBytes& block) {
  std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> context(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
  TBytes out(32);
  int length = 0;
  EXPECT_EQ(EVP_DecryptInit_ex(context.get(), EVP_aes_128_ecb(), nullptr, key.data(), nullptr), 1);
  EVP_CIPHER_CTX_set_padding(context.get(), 0);
  EXPECT_EQ(EVP_DecryptUpdate(context.get(), out.data(), &length, block.data(), static_cast<int>(block.size())), 1);
  out.resize(static_cast<std::size_t>(length));
  return out;
}

// A chip with another password that sends the published encrypted nonce: the
// terminal's values, made with the published nonce, no longer fit the nonce
// the chip maps with, so the terminal's token does not verify; the chip
// answers 6300 and opens no session.
TEST_P(MappingChipVectorTest, AnotherPasswordFailsAtTheToken) {
  const TVectorCase& c = GetParam();
  const TVectorSection v = ReadVectorSection(kVectors, c.Section);
  // I.1 with another date of expiry in the MRZ, H.1 and H.2 with another CAN.
  const std::string mrzInformation = *c.Can ? kSpecimenMrzInformation : "C11T002JM496081222310325";
  const std::string can = *c.Can ? "654321" : "";
  TVectorChip chip(c, v, mrzInformation, can);
  chip.Mappings.SetNextSecrets({DecryptBlock(PasswordKey(mrzInformation, can), v.Bytes("z")),
                                HasValue(v, "sk_map_ic") ? v.Bytes("sk_map_ic") : TBytes{}, v.Bytes("sk_dh_ic")});
  EXPECT_EQ(ToHex(chip.Harness.Exchange(v.Bytes("cmd_mse"))), "9000");
  EXPECT_EQ(ToHex(chip.Harness.Exchange(v.Bytes("cmd_ga1"))), ToHex(v.Bytes("rsp_ga1")));
  EXPECT_EQ(GetStatusWord(chip.Harness.Exchange(v.Bytes("cmd_ga2"))), 0x9000);
  EXPECT_NE(ToHex(*chip.Mappings.MappedGenerator()), ToHex(v.Bytes("g_mapped")));
  EXPECT_EQ(GetStatusWord(chip.Harness.Exchange(v.Bytes("cmd_ga3"))), 0x9000);
  EXPECT_EQ(ToHex(chip.Harness.Exchange(v.Bytes("cmd_ga4"))), "6300");
  EXPECT_FALSE(chip.Mappings.Established());
}

INSTANTIATE_TEST_SUITE_P(IcaoWorkedExamples, MappingChipVectorTest, ::testing::ValuesIn(kCases), [](const auto& info) {
  std::string name = info.param.Section;
  std::erase(name, '-');
  return name;
});

// After I.1, the published secure messaging exchanges that select and read an
// EF.CardSecurity in the master file, with the chip serving those bytes.
TEST(MappingChipSecureMessaging, ReadOfCardSecurityAfterCamEqualsThePublishedOne) {
  const TVectorSection v = ReadVectorSection(kVectors, "icao-i1");
  const TVectorSection read = ReadVectorSection(kVectors, "gmrtd-icao-i1-cardsecurity-standin");
  TChipHarness harness(v.Text("mrz_information"));
  mappingchip::TMappingChipOptions options;
  options.Pace.Offers = {{"id-PACE-ECDH-CAM-AES-CBC-CMAC-128", 13}};
  options.CamPrivateKey = v.Bytes("sk_ic");
  options.CardSecurity = read.Bytes("card_security_standin");
  mappingchip::TMappingPaceChip chip(harness.Chip, options);
  chip.SetNextSecrets({v.Bytes("s"), v.Bytes("sk_map_ic"), v.Bytes("sk_dh_ic")});
  for (const char* step : {"mse", "ga1", "ga2", "ga3", "ga4"})
    ASSERT_EQ(ToHex(harness.Exchange(v.Bytes(std::string("cmd_") + step))), ToHex(v.Bytes(std::string("rsp_") + step)));
  for (const char* step : {"select", "rb1", "rb2"}) {
    SCOPED_TRACE(step);
    EXPECT_EQ(ToHex(harness.Exchange(read.Bytes(std::string("cmd_") + step))),
              ToHex(read.Bytes(std::string("rsp_") + step)));
  }
}

}  // namespace
}  // namespace simchip::testing
