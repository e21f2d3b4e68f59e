#include "tools/pacechip/OpenPaceChipAuthentication.h"

#include <eac/ca.h>
#include <openssl/crypto.h>
#include <openssl/objects.h>

#include "tools/pacechip/EacBuffers.h"
#include "tools/simchip/Apdu.h"
#include "tools/simchip/ChipKeys.h"
#include "tools/simchip/Tlv.h"

namespace pacechip {

namespace {

using simchip::TBytes;

constexpr std::uint8_t kInsMse = 0x22;
constexpr std::uint8_t kInsGeneralAuthenticate = 0x86;
constexpr std::uint16_t kMseSetAt = 0x41A4;
constexpr std::uint16_t kMseSetKat = 0x41A6;
// OpenPACE wants a standardized domain parameter id; CA_set_key then puts the chip's own key in its place.
constexpr int kDhParameterId = 0;   // 1024-bit MODP group with 160-bit prime order subgroup
constexpr int kEcParameterId = 13;  // brainpoolP256r1

std::optional<std::span<const std::uint8_t>> FindObject(std::span<const std::uint8_t> objects, std::uint16_t tag) {
  for (std::size_t p = 0; p < objects.size();) {
    const auto object = simchip::ReadTlv(objects.subspan(p));
    if (!object) return std::nullopt;
    if (object->Tag == tag) return object->Value;
    p += object->Size;
  }
  return std::nullopt;
}

void Replace(BUF_MEM*& slot, const TBytes& bytes) {
  BUF_MEM_clear_free(slot);
  slot = BufOf(bytes).release();
}

}  // namespace

std::optional<TCaAnswer> TOpenPaceChipAuthentication::Answer(const TCommandApdu& plain, EAC_CTX& eac,
                                                             simchip::TSimulatedChip& chip) {
  const auto p1p2 = static_cast<std::uint16_t>(plain.P1 << 8 | plain.P2);
  const bool mse = plain.Ins == kInsMse && (p1p2 == kMseSetAt || p1p2 == kMseSetKat);
  const bool generalAuthenticate = plain.Ins == kInsGeneralAuthenticate;
  if (!mse && !generalAuthenticate) return std::nullopt;
  const simchip::TCaProtocol* protocol = protocol_;
  protocol_ = nullptr;
  EVP_PKEY* key = chip.PrivateKey(simchip::kChipAuthenticationKey);
  if (!key) return TCaAnswer{simchip::StatusOnly(simchip::kSwReferencedDataNotFound)};

  if (mse && p1p2 == kMseSetKat) {
    const auto terminalKey = FindObject(plain.Data, 0x91);
    if (!terminalKey) return TCaAnswer{simchip::StatusOnly(kSwWrongData)};
    return Agree(simchip::KatProtocol(*key), *terminalKey, eac, *key, {});
  }
  if (mse) {
    const auto oid = FindObject(plain.Data, 0x80);
    protocol_ = oid ? simchip::FindCaProtocol(*oid) : nullptr;
    if (!protocol_ || !simchip::KeyFitsProtocol(*key, *protocol_)) {
      protocol_ = nullptr;
      return TCaAnswer{simchip::StatusOnly(kSwWrongData)};
    }
    return TCaAnswer{simchip::StatusOnly(kSwSuccess)};
  }
  if (!protocol) return TCaAnswer{simchip::StatusOnly(kSwConditionsNotSatisfied)};
  const auto dynamic = FindObject(plain.Data, 0x7C);
  const auto terminalKey = dynamic ? FindObject(*dynamic, 0x80) : std::nullopt;
  if (!terminalKey) return TCaAnswer{simchip::StatusOnly(kSwWrongData)};
  return Agree(*protocol, *terminalKey, eac, *key, {0x7C, 0x00});
}

TCaAnswer TOpenPaceChipAuthentication::Agree(const simchip::TCaProtocol& protocol,
                                             std::span<const std::uint8_t> terminalKey, EAC_CTX& eac, EVP_PKEY& key,
                                             TBytes answerData) {
  const bool dh = protocol.Agreement == simchip::EKeyAgreement::Dh;
  const int nid = OBJ_sn2nid(std::string(protocol.Name).c_str());
  TBytes pkcs8 = simchip::EncodePrivateKey(key);
  const bool keyed = nid != NID_undef && EAC_CTX_init_ca(&eac, nid, dh ? kDhParameterId : kEcParameterId) &&
                     CA_set_key(&eac, pkcs8.data(), pkcs8.size(), nullptr, 0);
  OPENSSL_cleanse(pkcs8.data(), pkcs8.size());
  if (!keyed) return {simchip::StatusOnly(kSwWrongData)};
  if (!CA_STEP4_compute_shared_secret(&eac, BufOf(terminalKey).get()) || !eac.ca_ctx->ka_ctx->shared_secret)
    return {simchip::StatusOnly(kSwWrongData)};
  KA_CTX& agreement = *eac.ca_ctx->ka_ctx;
  // OpenPACE leaves out the leading zero bytes of a DH secret; the keys are derived from it at the length of p.
  TBytes secret = BytesOf(agreement.shared_secret);
  if (dh && secret.size() < static_cast<std::size_t>(EVP_PKEY_get_size(&key)))
    secret.insert(secret.begin(), static_cast<std::size_t>(EVP_PKEY_get_size(&key)) - secret.size(), 0x00);
  simchip::TSmKeys keys = simchip::DeriveCaSessionKeys(secret, protocol);
  OPENSSL_cleanse(secret.data(), secret.size());
  Replace(agreement.k_enc, keys.Enc);
  Replace(agreement.k_mac, keys.Mac);
  OPENSSL_cleanse(keys.Enc.data(), keys.Enc.size());
  OPENSSL_cleanse(keys.Mac.data(), keys.Mac.size());
  return {simchip::Response(answerData, kSwSuccess), true};
}

}  // namespace pacechip
