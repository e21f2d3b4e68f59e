// Chip Authentication on the simulated chip after BAC, against a terminal on
// libcrypto alone: ECDH and DH key agreement, 3DES and AES, MSE:Set AT with
// GENERAL AUTHENTICATE and MSE:Set KAT. The handshake's answers come under
// BAC's keys; the first answer after it verifies under the keys the terminal
// derives from DG14's public key, and not under BAC's; a clone's does not.

#include <gtest/gtest.h>

#include "ChipHarness.h"
#include "TerminalSecureMessaging.h"
#include "TestKeys.h"

namespace simchip::testing {
namespace {

const TCommandApdu kSelectEfCom{0x00, 0xA4, 0x02, 0x0C, {0x01, 0x1E}, std::nullopt};
const TCommandApdu kReadFour{0x00, 0xB0, 0x00, 0x00, {}, 4};

// The terminal's side of BAC's session, as the chip holds it after BAC.
TTerminalSm BacSession(TChipHarness& harness) {
  harness.Authenticated();
  const TKeyPair keys = *harness.Chip.SessionKeys();
  const TBlock counter = *harness.Chip.SessionCounter();
  return {false, TBytes(keys.Enc.begin(), keys.Enc.end()), TBytes(keys.Mac.begin(), keys.Mac.end()),
          TBytes(counter.begin(), counter.end())};
}

TBytes PublicKey(EVP_PKEY& key) {
  unsigned char* encoded = nullptr;
  const std::size_t length = EVP_PKEY_get1_encoded_public_key(&key, &encoded);
  TBytes out(encoded, encoded + length);
  OPENSSL_free(encoded);
  return out;
}

TBytes Object(std::uint8_t tag, const TBytes& value) {
  TBytes length = value.size() > 0x7F ? TBytes{0x81, static_cast<std::uint8_t>(value.size())}
                                      : TBytes{static_cast<std::uint8_t>(value.size())};
  return Concat({{tag}, length, value});
}

struct TCaCase {
  const char* Name;
  const char* KeyType;
  const char* Group;
  const char* Oid;  // DO'80' of MSE:Set AT; nullptr: MSE:Set KAT (3DES)
  bool Aes;
  std::size_t KeyLength;
  bool LeadingZero = false;  // a shared secret that starts with a zero byte
};

const std::vector<TCaCase> kCases{
    {"ECDH brainpoolP256r1 AES-128", "EC", "brainpoolP256r1", "04007F00070202030202", true, 16},
    {"ECDH P-256 3DES", "EC", "prime256v1", "04007F00070202030201", false, 16},
    {"ECDH P-256 AES-192", "EC", "prime256v1", "04007F00070202030203", true, 24},
    {"ECDH brainpoolP256r1 AES-256", "EC", "brainpoolP256r1", "04007F00070202030204", true, 32},
    {"ECDH P-256 MSE:Set KAT", "EC", "prime256v1", nullptr, false, 16},
    {"DH 1024/160 3DES", "DHX", "dh_1024_160", "04007F00070202030101", false, 16},
    {"DH 1024/160 AES-128", "DHX", "dh_1024_160", "04007F00070202030102", true, 16},
    {"DH 1024/160 AES-256", "DHX", "dh_1024_160", "04007F00070202030104", true, 32},
    {"DH 1024/160 AES-128, secret with a leading zero", "DHX", "dh_1024_160", "04007F00070202030102", true, 16, true},
    {"DH 1024/160 MSE:Set KAT", "DHX", "dh_1024_160", nullptr, false, 16},
};

TEST(ChipAuthentication, NewKeysServeFromTheCommandAfterTheHandshake) {
  for (const TCaCase& c : kCases) {
    for (const bool clone : {false, true}) {
      SCOPED_TRACE(std::string(c.Name) + (clone ? ", clone" : ""));
      const TEvpPkeyPtr chipKey = GenerateKey(c.KeyType, c.Group);
      TChipOptions options;
      options.CloneChipAuthentication = clone;
      TChipHarness harness(DocumentWith({{std::string(kChipAuthenticationKey), EncodePrivateKey(*chipKey)}}), options);
      TTerminalSm bac = BacSession(harness);
      const auto ephemeral = EphemeralKey(*chipKey, c.LeadingZero);
      const TBytes ephemeralPublic = PublicKey(*ephemeral);

      if (c.Oid) {
        const auto set =
            bac.Open(harness.Exchange(bac.Protect({0x00, 0x22, 0x41, 0xA4, Object(0x80, Hex(c.Oid)), {}})));
        ASSERT_TRUE(set) << "MSE:Set AT answered under BAC's keys";
        ASSERT_EQ(set->Status, 0x9000);
        const auto general = bac.Open(
            harness.Exchange(bac.Protect({0x00, 0x86, 0x00, 0x00, Object(0x7C, Object(0x80, ephemeralPublic)), 256})));
        ASSERT_TRUE(general) << "GENERAL AUTHENTICATE answered under BAC's keys";
        EXPECT_EQ(general->Status, 0x9000);
        EXPECT_EQ(ToHex(general->Data), "7C00");
      } else {
        const auto set =
            bac.Open(harness.Exchange(bac.Protect({0x00, 0x22, 0x41, 0xA6, Object(0x91, ephemeralPublic), {}})));
        ASSERT_TRUE(set) << "MSE:Set KAT answered under BAC's keys";
        EXPECT_EQ(set->Status, 0x9000);
      }

      // The terminal derives the keys from the document's public key, as DG14 gives it.
      TTerminalSm chipAuthenticated = CaSession(DeriveSecret(*ephemeral, *chipKey), c.Aes, c.KeyLength);
      const TBytes answer = harness.Exchange(chipAuthenticated.Protect(kSelectEfCom));
      bac.Protect(kSelectEfCom);  // BAC's counter as if the command had gone under its keys
      EXPECT_FALSE(TTerminalSm(bac).Open(answer)) << "not under BAC's keys";
      if (clone) {
        EXPECT_FALSE(chipAuthenticated.Open(answer));
        EXPECT_EQ(ToHex(answer), "6988") << "the clone cannot check the terminal's MAC";
        continue;
      }
      const auto selected = chipAuthenticated.Open(answer);
      ASSERT_TRUE(selected) << ToHex(answer);
      EXPECT_EQ(selected->Status, 0x9000);
      const auto read = chipAuthenticated.Open(harness.Exchange(chipAuthenticated.Protect(kReadFour)));
      ASSERT_TRUE(read);
      EXPECT_EQ(ToHex(read->Data), ToHex(std::span(harness.Chip.Files()[kEfComFileId]).first(4)));
    }
  }
}

struct TRefusalCase {
  const char* Name;
  bool WithKey;
  TCommandApdu Command;
  std::uint16_t Status;
};

TEST(ChipAuthentication, RefusalsKeepBacsKeys) {
  const TBytes point = Concat({{0x04}, TBytes(64, 0x01)});  // not on the curve
  const std::vector<TRefusalCase> cases{
      {"no chip-authentication key", false, {0x00, 0x22, 0x41, 0xA4, Hex("800A04007F00070202030202"), {}}, 0x6A88},
      {"no active-authentication key", false, {0x00, 0x88, 0x00, 0x00, Hex("0102030405060708"), 256}, 0x6A88},
      {"a DH protocol for an EC key", true, {0x00, 0x22, 0x41, 0xA4, Hex("800A04007F00070202030102"), {}}, 0x6A80},
      {"an OID of no CA protocol", true, {0x00, 0x22, 0x41, 0xA4, Hex("800A04007F00070202040202"), {}}, 0x6A80},
      {"GENERAL AUTHENTICATE without MSE:Set AT",
       true,
       {0x00, 0x86, 0x00, 0x00, Object(0x7C, Object(0x80, point)), 256},
       0x6985},
      {"MSE:Set KAT with a point off the curve", true, {0x00, 0x22, 0x41, 0xA6, Object(0x91, point), {}}, 0x6A80},
  };
  const TEvpPkeyPtr chipKey = GenerateKey("EC", "prime256v1");
  for (const TRefusalCase& c : cases) {
    SCOPED_TRACE(c.Name);
    std::map<std::string, TBytes> keys;
    if (c.WithKey) keys[std::string(kChipAuthenticationKey)] = EncodePrivateKey(*chipKey);
    TChipOptions options;
    options.ProtectedErrors = true;
    TChipHarness harness(DocumentWith(keys), options);
    TTerminalSm bac = BacSession(harness);
    const auto refused = bac.Open(harness.Exchange(bac.Protect(c.Command)));
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->Status, c.Status);
    const auto selected = bac.Open(harness.Exchange(bac.Protect(kSelectEfCom)));
    ASSERT_TRUE(selected) << "still BAC's session";
    EXPECT_EQ(selected->Status, 0x9000);
  }
}

TEST(ChipAuthentication, AKeyThatIsNotPkcs8FailsWhenTheChipIsMade) {
  EXPECT_THROW(TSimulatedChip(DocumentWith({{std::string(kChipAuthenticationKey), Hex("3003020100")}})),
               std::runtime_error);
}

TEST(ChipAuthentication, PlainCommandsAreRefused) {
  const TEvpPkeyPtr chipKey = GenerateKey("EC", "prime256v1");
  TChipHarness harness(DocumentWith({{std::string(kChipAuthenticationKey), EncodePrivateKey(*chipKey)}}));
  harness.Exchange(Hex("00A4040C07A0000002471001"));
  EXPECT_EQ(ToHex(harness.Exchange(Hex("0022 41A4 0C 800A04007F00070202030202"))), "6982");
}

}  // namespace
}  // namespace simchip::testing
