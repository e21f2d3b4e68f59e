#include "OpenPaceTerminal.h"

#include <eac/eac.h>
#include <eac/pace.h>
#include <openssl/sha.h>

#include "tools/pacechip/EacBuffers.h"
#include "tools/simchip/Tlv.h"

namespace simchip::testing {

using pacechip::BufOf;
using pacechip::BytesOf;
using pacechip::TBuf;

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

TGmProtocol EcdhGmAes128() {
  EAC_init();  // OpenPACE's protocol NIDs are made here
  return {NID_id_PACE_ECDH_GM_AES_CBC_CMAC_128, "04007F00070202040202", 13, true};
}

TTerminalSm OpenPaceGmSession(TChipHarness& harness, const std::string& mrzInformation, const TGmProtocol& protocol) {
  EAC_init();
  EAC_CTX* terminal = EAC_CTX_new();
  std::array<std::uint8_t, SHA_DIGEST_LENGTH> digest{};
  SHA1(reinterpret_cast<const unsigned char*>(mrzInformation.data()), mrzInformation.size(), digest.data());
  PACE_SEC* password = PACE_SEC_new(reinterpret_cast<const char*>(digest.data()), digest.size(), PACE_RAW);
  EXPECT_EQ(EAC_CTX_init_pace(terminal, protocol.Nid, protocol.ParameterId), 1);
  const TBytes setAt = Concat({Object(0x80, Hex(protocol.Oid)), Hex("830101")});
  EXPECT_EQ(
      GetStatusWord(harness.Exchange(Concat({Hex("0022C1A4"), {static_cast<std::uint8_t>(setAt.size())}, setAt}))),
      0x9000);
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
  TTerminalSm session{protocol.Aes, BytesOf(keys.k_enc), BytesOf(keys.k_mac), TBytes(protocol.Aes ? 16 : 8, 0x00)};
  PACE_SEC_clear_free(password);
  EAC_CTX_clear_free(terminal);
  return session;
}

}  // namespace simchip::testing
