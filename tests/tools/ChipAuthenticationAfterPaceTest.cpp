// Chip Authentication after PACE: OpenPACE's chip side (tools/pacechip) runs
// PACE and, after it, Chip Authentication on OpenPACE's CA. The terminal is
// OpenPACE's own PACE terminal, then the libcrypto terminal of these tests for
// Chip Authentication: its first answer verifies under the keys derived from
// the document's key, and not under PACE's; a clone's does not.

#include <gtest/gtest.h>

#include <eac/eac.h>
#include <eac/pace.h>
#include <openssl/sha.h>

#include <cstring>

#include "ChipHarness.h"
#include "TerminalSecureMessaging.h"
#include "TestKeys.h"
#include "tools/pacechip/EacBuffers.h"
#include "tools/pacechip/OpenPaceChip.h"
#include "tools/simchip/Tlv.h"

namespace simchip::testing {
namespace {

using pacechip::BufOf;
using pacechip::BytesOf;
using pacechip::TBuf;

const TCommandApdu kSelectEfCom{0x00, 0xA4, 0x02, 0x0C, {0x01, 0x1E}, std::nullopt};

TBytes Object(std::uint8_t tag, const TBytes& value) {
  TBytes length = value.size() > 0x7F ? TBytes{0x81, static_cast<std::uint8_t>(value.size())}
                                      : TBytes{static_cast<std::uint8_t>(value.size())};
  return Concat({{tag}, length, value});
}

TBytes PublicKey(EVP_PKEY& key) {
  unsigned char* encoded = nullptr;
  const std::size_t length = EVP_PKEY_get1_encoded_public_key(&key, &encoded);
  TBytes out(encoded, encoded + length);
  OPENSSL_free(encoded);
  return out;
}

// OpenPACE's terminal side of PACE (Generic Mapping, brainpoolP256r1, AES-128) with the MRZ password;
// the session's keys for the tests' own secure messaging.
TTerminalSm PaceSession(TChipHarness& harness) {
  EAC_init();
  EAC_CTX* terminal = EAC_CTX_new();
  std::array<std::uint8_t, SHA_DIGEST_LENGTH> digest{};
  SHA1(reinterpret_cast<const unsigned char*>(kSpecimenMrzInformation), std::strlen(kSpecimenMrzInformation),
       digest.data());
  PACE_SEC* password = PACE_SEC_new(reinterpret_cast<const char*>(digest.data()), digest.size(), PACE_RAW);
  EXPECT_EQ(EAC_CTX_init_pace(terminal, NID_id_PACE_ECDH_GM_AES_CBC_CMAC_128, 13), 1);
  EXPECT_EQ(GetStatusWord(harness.Exchange(Hex("0022C1A4 0F 800A04007F00070202040202 830101"))), 0x9000);
  // One GENERAL AUTHENTICATE step: the terminal's object in, the chip's object out.
  const auto step = [&](const TBytes& data, bool last) {
    const TBytes answer = harness.Exchange(Concat(
        {{static_cast<std::uint8_t>(last ? 0x00 : 0x10), 0x86, 0x00, 0x00, static_cast<std::uint8_t>(data.size())},
         data,
         {0x00}}));
    EXPECT_EQ(GetStatusWord(answer), 0x9000);
    const auto dynamic = ReadTlv(answer);
    const auto inner = dynamic ? ReadTlv(dynamic->Value) : std::nullopt;
    return inner ? TBytes(inner->Value.begin(), inner->Value.end()) : TBytes{};
  };
  const TBytes nonce = step(Hex("7C00"), false);
  EXPECT_EQ(PACE_STEP2_dec_nonce(terminal, password, BufOf(nonce).get()), 1);
  const TBuf mapping(PACE_STEP3A_generate_mapping_data(terminal));
  const TBytes chipMapping = step(Object(0x7C, Object(0x81, BytesOf(mapping.get()))), false);
  EXPECT_EQ(PACE_STEP3A_map_generator(terminal, BufOf(chipMapping).get()), 1);
  const TBuf ephemeral(PACE_STEP3B_generate_ephemeral_key(terminal));
  const TBytes chipEphemeral = step(Object(0x7C, Object(0x83, BytesOf(ephemeral.get()))), false);
  EXPECT_EQ(PACE_STEP3B_compute_shared_secret(terminal, BufOf(chipEphemeral).get()), 1);
  EXPECT_EQ(PACE_STEP3C_derive_keys(terminal), 1);
  const TBuf token(PACE_STEP3D_compute_authentication_token(terminal, BufOf(chipEphemeral).get()));
  const TBytes chipToken = step(Object(0x7C, Object(0x85, BytesOf(token.get()))), true);
  EXPECT_EQ(PACE_STEP3D_verify_authentication_token(terminal, BufOf(chipToken).get()), 1);
  const KA_CTX& keys = *terminal->pace_ctx->ka_ctx;
  TTerminalSm session{true, BytesOf(keys.k_enc), BytesOf(keys.k_mac), TBytes(16, 0x00)};
  PACE_SEC_clear_free(password);
  EAC_CTX_clear_free(terminal);
  return session;
}

struct TCase {
  const char* Name;
  const char* KeyType;
  const char* Group;
  const char* Oid;  // nullptr: MSE:Set KAT
  bool Aes;
  std::size_t KeyLength;
  bool LeadingZero = false;  // a shared secret that starts with a zero byte
};

TEST(ChipAuthenticationAfterPace, OpenPaceSwitchesToTheNewKeys) {
  const std::vector<TCase> cases{
      {"ECDH brainpoolP256r1 AES-128", "EC", "brainpoolP256r1", "04007F00070202030202", true, 16},
      {"ECDH P-256 3DES", "EC", "prime256v1", "04007F00070202030201", false, 16},
      {"ECDH P-256 MSE:Set KAT", "EC", "prime256v1", nullptr, false, 16},
      {"DH 1024/160 AES-256", "DHX", "dh_1024_160", "04007F00070202030104", true, 32},
      {"DH 1024/160 3DES, secret with a leading zero", "DHX", "dh_1024_160", "04007F00070202030101", false, 16, true},
  };
  for (const TCase& c : cases) {
    for (const bool clone : {false, true}) {
      SCOPED_TRACE(std::string(c.Name) + (clone ? ", clone" : ""));
      const TEvpPkeyPtr chipKey = GenerateKey(c.KeyType, c.Group);
      TChipOptions options;
      options.CloneChipAuthentication = clone;
      TChipHarness harness(DocumentWith({{std::string(kChipAuthenticationKey), EncodePrivateKey(*chipKey)}}), options);
      pacechip::TOpenPaceChip pace(harness.Chip, {{{"id-PACE-ECDH-GM-AES-CBC-CMAC-128", 13}}, true});
      TTerminalSm session = PaceSession(harness);
      ASSERT_TRUE(pace.Established());
      const auto ephemeral = EphemeralKey(*chipKey, c.LeadingZero);
      if (c.Oid) {
        const auto set =
            session.Open(harness.Exchange(session.Protect({0x00, 0x22, 0x41, 0xA4, Object(0x80, Hex(c.Oid)), {}})));
        ASSERT_TRUE(set) << "under PACE's keys";
        ASSERT_EQ(set->Status, 0x9000);
        const auto general = session.Open(harness.Exchange(
            session.Protect({0x00, 0x86, 0x00, 0x00, Object(0x7C, Object(0x80, PublicKey(*ephemeral))), 256})));
        ASSERT_TRUE(general) << "under PACE's keys";
        EXPECT_EQ(ToHex(general->Data), "7C00");
      } else {
        const auto set = session.Open(
            harness.Exchange(session.Protect({0x00, 0x22, 0x41, 0xA6, Object(0x91, PublicKey(*ephemeral)), {}})));
        ASSERT_TRUE(set) << "under PACE's keys";
        EXPECT_EQ(set->Status, 0x9000);
      }
      TTerminalSm chipAuthenticated = CaSession(DeriveSecret(*ephemeral, *chipKey), c.Aes, c.KeyLength);
      const TBytes answer = harness.Exchange(chipAuthenticated.Protect(kSelectEfCom));
      session.Protect(kSelectEfCom);
      EXPECT_FALSE(session.Open(answer)) << "not under PACE's keys";
      const auto selected = chipAuthenticated.Open(answer);
      EXPECT_EQ(selected.has_value(), !clone) << ToHex(answer);
      if (selected) {
        EXPECT_EQ(selected->Status, 0x9000);
      }
    }
  }
}

}  // namespace
}  // namespace simchip::testing
