// Chip Authentication after PACE: OpenPACE's chip side (tools/pacechip) runs
// PACE and, after it, Chip Authentication on OpenPACE's CA. The terminal is
// OpenPACE's own PACE terminal, then the libcrypto terminal of these tests for
// Chip Authentication: its first answer verifies under the keys derived from
// the document's key, and not under PACE's; a clone's does not.

#include <gtest/gtest.h>

#include "ChipHarness.h"
#include "OpenPaceTerminal.h"
#include "TerminalSecureMessaging.h"
#include "TestKeys.h"
#include "tools/pacechip/OpenPaceChip.h"
#include "tools/simchip/Tlv.h"

namespace simchip::testing {
namespace {

const TCommandApdu kSelectEfCom{0x00, 0xA4, 0x02, 0x0C, {0x01, 0x1E}, std::nullopt};

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
      TTerminalSm session = OpenPaceGmSession(harness, kSpecimenMrzInformation);
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
