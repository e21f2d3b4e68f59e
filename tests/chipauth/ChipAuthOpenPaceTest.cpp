// The program's Chip Authentication against an implementation it did not
// write: the chip's static key and key agreement are OpenPACE's (libeac:
// EAC_CTX_init_ca, the key pair of its CA context,
// CA_STEP4_compute_shared_secret); the keys of CA version 1 come from that
// shared secret by libcrypto's SHA-1 (libeac's CA_STEP5_derive_keys is CA
// version 2, which mixes in a nonce of the chip); secure messaging before and
// after is the 3DES of tools/simchip (its own crypto). The chip answers the
// proof only when the program's SELECT verifies under those keys.

#include <gtest/gtest.h>

#include <openssl/buffer.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/x509.h>

#include <eac/ca.h>
#include <eac/eac.h>
#include <eac/objects.h>

#include <algorithm>
#include <optional>

#include "card/DataObjects.h"
#include "chipauth/ChipAuthentication.h"
#include "crypto/ChipAuthProtocols.h"
#include "reader/ApduExchange.h"
#include "support/CardSessions.h"
#include "support/FakeCard.h"
#include "support/FakePiccView.h"
#include "tools/simchip/Apdu.h"
#include "tools/simchip/CardCrypto.h"
#include "tools/simchip/SecureChannel.h"

namespace {

const simchip::TKeyPair kOldKeys{
    {0x97, 0x9E, 0xC1, 0x3B, 0x1C, 0xBF, 0xE9, 0xDC, 0xD0, 0x1A, 0xB0, 0xFE, 0xD3, 0x07, 0xEA, 0xE5},
    {0xF1, 0xCB, 0x1F, 0x1F, 0xB5, 0xAD, 0xF2, 0x08, 0x80, 0x6B, 0x89, 0xDC, 0x57, 0x9D, 0xC1, 0xF8}};
const simchip::TBlock kOldCounter{0x88, 0x70, 0x22, 0x12, 0x0C, 0x06, 0xC2, 0x27};

BUF_MEM* ToBufMem(std::span<const std::uint8_t> bytes) {
  BUF_MEM* buffer = BUF_MEM_new();
  if (buffer && BUF_MEM_grow(buffer, bytes.size()) == bytes.size())
    std::copy(bytes.begin(), bytes.end(), reinterpret_cast<std::uint8_t*>(buffer->data));
  return buffer;
}

TBytes FromBufMem(const BUF_MEM* buffer) {
  return buffer ? TBytes(buffer->data, buffer->data + buffer->length) : TBytes{};
}

// The chip's SubjectPublicKeyInfo, written by libcrypto: EC as it is; DH as
// an X9.42 key (dhpublicnumber with p, g and q) made from libeac's key.
TBytes PublicKeyInfo(EVP_PKEY* key, bool dh) {
  EVP_PKEY* written = key;
  EVP_PKEY* made = nullptr;
  if (dh) {
    OSSL_PARAM* parameters = nullptr;
    EXPECT_EQ(EVP_PKEY_todata(key, EVP_PKEY_PUBLIC_KEY, &parameters), 1);
    EVP_PKEY_CTX* context = EVP_PKEY_CTX_new_from_name(nullptr, "DHX", nullptr);
    EXPECT_EQ(EVP_PKEY_fromdata_init(context), 1);
    EXPECT_EQ(EVP_PKEY_fromdata(context, &made, EVP_PKEY_PUBLIC_KEY, parameters), 1);
    EVP_PKEY_CTX_free(context);
    OSSL_PARAM_free(parameters);
    written = made;
  }
  unsigned char* der = nullptr;
  const int length = i2d_PUBKEY(written, &der);
  EXPECT_GT(length, 0);
  TBytes bytes(der, der + std::max(length, 0));
  OPENSSL_free(der);
  EVP_PKEY_free(made);
  return bytes;
}

// OpenPACE's CA on the chip's side, behind the PC/SC seam.
class TOpenPaceCaChip {
public:
  // protocol: the CA OID in dotted form (libeac registers its NIDs in EAC_init).
  TOpenPaceCaChip(const char* protocol, int parameters, std::size_t secretLength)
      : old_(kOldKeys, kOldCounter), secretLength_(secretLength) {
    EAC_init();
    eac_ = EAC_CTX_new();
    EXPECT_EQ(EAC_CTX_init_ca(eac_, OBJ_txt2nid(protocol), parameters), 1);
    KA_CTX* agreement = eac_->ca_ctx->ka_ctx;
    BUF_MEM* publicKey = agreement->generate_key(agreement->key, eac_->bn_ctx);  // the chip's static key pair
    EXPECT_NE(publicKey, nullptr);
    BUF_MEM_free(publicKey);
  }
  ~TOpenPaceCaChip() { EAC_CTX_clear_free(eac_); }

  EVP_PKEY* StaticKey() const { return eac_->ca_ctx->ka_ctx->key; }
  const simchip::TKeyPair& Keys() const { return keys_; }
  const TBytes& SharedSecret() const { return secret_; }
  bool Proven() const { return proven_; }

  TAnswer Answer(const TBytes& bytes) {
    const std::optional<TCommandApdu> command = ParseCommand(bytes);
    if (!command) return {simchip::StatusOnly(0x6700)};
    simchip::TSecureChannel& channel = renewed_ ? *renewed_ : old_;
    const std::optional<TCommandApdu> plain = channel.Unwrap(*command);
    if (!plain) return {simchip::StatusOnly(0x6988)};
    if (renewed_) {
      proven_ = plain->Ins == 0xA4 && plain->Data == TBytes{0x01, 0x0E};
      return {renewed_->Wrap({}, 0x9000)};
    }
    if (plain->Ins == 0x22 && plain->P1 == 0x41 && plain->P2 == 0xA4) return {old_.Wrap({}, 0x9000)};
    if (plain->Ins != 0x86) return {old_.Wrap({}, 0x6D00)};
    const std::optional<TDataObject> outer = ReadDataObject(plain->Data);
    const std::optional<std::span<const std::uint8_t>> key =
        outer && outer->Tag == 0x7C ? FindDataObject(outer->Value, 0x80) : std::nullopt;
    if (!key) return {old_.Wrap({}, 0x6A80)};
    BUF_MEM* terminalKey = ToBufMem(*key);
    const bool agreed = CA_STEP4_compute_shared_secret(eac_, terminalKey) == 1;
    BUF_MEM_free(terminalKey);
    if (!agreed) return {old_.Wrap({}, 0x6A80)};
    secret_ = FromBufMem(eac_->ca_ctx->ka_ctx->shared_secret);
    // libeac's DH secret drops leading zero bytes (about one run in 256);
    // ICAO 9303-11 uses it at the full length of p, as the program does.
    if (secret_.size() < secretLength_) secret_.insert(secret_.begin(), secretLength_ - secret_.size(), 0x00);
    // The answer under the old keys; what follows under the new ones, counter from zero.
    const TBytes answer = old_.Wrap(TBytes{0x7C, 0x00}, 0x9000);
    keys_ = {Kdf(1), Kdf(2)};
    renewed_.emplace(keys_, simchip::TBlock{});
    return {answer};
  }

private:
  // SHA-1(K || counter), 16 bytes, DES parity.
  simchip::TKey Kdf(std::uint8_t counter) const {
    const TBytes input = Concat({secret_, TBytes{0, 0, 0, counter}});
    std::array<std::uint8_t, EVP_MAX_MD_SIZE> digest{};
    unsigned int length = 0;
    EXPECT_EQ(EVP_Digest(input.data(), input.size(), digest.data(), &length, EVP_sha1(), nullptr), 1);
    simchip::TKey key{};
    std::copy_n(digest.begin(), key.size(), key.begin());
    simchip::AdjustParity(key);
    return key;
  }

  EAC_CTX* eac_ = nullptr;
  simchip::TSecureChannel old_;
  std::size_t secretLength_;
  TBytes secret_;
  simchip::TKeyPair keys_;
  std::optional<simchip::TSecureChannel> renewed_;
  bool proven_ = false;
};

struct TOpenPaceCase {
  const char* Name;
  const char* Protocol;  // dotted
  int Parameters;        // standard domain parameter id
  const char* Oid;
  bool Dh;
  std::size_t SecretLength;  // the field's length, or p's
};

class ChipAuthenticationAgainstOpenPace : public ::testing::TestWithParam<TOpenPaceCase> {
protected:
  void SetUp() override { ResetReaderLink(); }
  void TearDown() override { ResetReaderLink(); }
};

TEST_P(ChipAuthenticationAgainstOpenPace, AgreesOnTheKeysAndPasses) {
  const TOpenPaceCase& c = GetParam();
  TFakePiccView view;
  TFakeCardApi card;
  TOpenPaceCaChip chip(c.Protocol, c.Parameters, c.SecretLength);
  card.Responder = [&chip](const TBytes& command) { return chip.Answer(command); };
  tMRTD_CTX ctx{};
  std::copy(kOldKeys.Enc.begin(), kOldKeys.Enc.end(), ctx.encK.begin());
  std::copy(kOldKeys.Mac.begin(), kOldKeys.Mac.end(), ctx.macK.begin());
  std::copy(kOldCounter.begin(), kOldCounter.end(), ctx.SSC.begin());
  ctx.BacEnabled = true;
  TCardSession session = BacSession(ctx);

  const TChipAuthResult result =
      PerformChipAuthentication({Hex(c.Oid), std::nullopt, PublicKeyInfo(chip.StaticKey(), c.Dh), true}, session);

  EXPECT_EQ(result.Outcome, TChipAuthOutcome::Passed) << result.Reason;
  EXPECT_TRUE(chip.Proven());
  EXPECT_EQ(card.Commands.size(), 3u);
  EXPECT_EQ(ToHex(ctx.encK), ToHex(chip.Keys().Enc));
  EXPECT_EQ(ToHex(ctx.macK), ToHex(chip.Keys().Mac));
}

INSTANTIATE_TEST_SUITE_P(
    Libeac, ChipAuthenticationAgainstOpenPace,
    ::testing::Values(TOpenPaceCase{"EcdhBrainpoolP256r1", "0.4.0.127.0.7.2.2.3.2.1", 13, "04007F00070202030201", false,
                                    32},
                      TOpenPaceCase{"EcdhNistP384", "0.4.0.127.0.7.2.2.3.2.1", 15, "04007F00070202030201", false, 48},
                      TOpenPaceCase{"Dh1024", "0.4.0.127.0.7.2.2.3.1.1", 0, "04007F00070202030101", true, 128}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
