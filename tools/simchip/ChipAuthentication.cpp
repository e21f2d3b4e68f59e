#include "tools/simchip/ChipAuthentication.h"

#include <openssl/crypto.h>
#include <openssl/dh.h>

#include <algorithm>
#include <array>
#include <memory>
#include <stdexcept>

#include "crypto/OpenSslPointers.h"
#include "tools/simchip/ChipKeys.h"

namespace simchip {

namespace {

// 0.4.0.127.0.7.2.2.3: id-CA; then .1 DH or .2 ECDH, then the cipher.
TBytes CaOid(std::uint8_t agreement, std::uint8_t cipher) {
  return {0x04, 0x00, 0x7F, 0x00, 0x07, 0x02, 0x02, 0x03, agreement, cipher};
}

const std::array<TCaProtocol, 8>& CaProtocols() {
  static const std::array<TCaProtocol, 8> kProtocols{{
      {"id-CA-DH-3DES-CBC-CBC", CaOid(1, 1), EKeyAgreement::Dh, ESmCipher::TripleDes, 16},
      {"id-CA-DH-AES-CBC-CMAC-128", CaOid(1, 2), EKeyAgreement::Dh, ESmCipher::Aes, 16},
      {"id-CA-DH-AES-CBC-CMAC-192", CaOid(1, 3), EKeyAgreement::Dh, ESmCipher::Aes, 24},
      {"id-CA-DH-AES-CBC-CMAC-256", CaOid(1, 4), EKeyAgreement::Dh, ESmCipher::Aes, 32},
      {"id-CA-ECDH-3DES-CBC-CBC", CaOid(2, 1), EKeyAgreement::Ecdh, ESmCipher::TripleDes, 16},
      {"id-CA-ECDH-AES-CBC-CMAC-128", CaOid(2, 2), EKeyAgreement::Ecdh, ESmCipher::Aes, 16},
      {"id-CA-ECDH-AES-CBC-CMAC-192", CaOid(2, 3), EKeyAgreement::Ecdh, ESmCipher::Aes, 24},
      {"id-CA-ECDH-AES-CBC-CMAC-256", CaOid(2, 4), EKeyAgreement::Ecdh, ESmCipher::Aes, 32},
  }};
  return kProtocols;
}

std::optional<EKeyAgreement> AgreementOf(EVP_PKEY& key) {
  switch (EVP_PKEY_get_base_id(&key)) {
    case EVP_PKEY_EC:
      return EKeyAgreement::Ecdh;
    case EVP_PKEY_DH:
    case EVP_PKEY_DHX:
      return EKeyAgreement::Dh;
    default:
      return std::nullopt;
  }
}

}  // namespace

const TCaProtocol* FindCaProtocol(std::span<const std::uint8_t> oid) {
  const auto& protocols = CaProtocols();
  const auto found = std::find_if(protocols.begin(), protocols.end(), [&](const TCaProtocol& p) {
    return std::equal(p.Oid.begin(), p.Oid.end(), oid.begin(), oid.end());
  });
  return found == protocols.end() ? nullptr : &*found;
}

const TCaProtocol& KatProtocol(EVP_PKEY& chipKey) {
  return CaProtocols()[AgreementOf(chipKey) == EKeyAgreement::Dh ? 0 : 4];
}

bool KeyFitsProtocol(EVP_PKEY& chipKey, const TCaProtocol& protocol) {
  return AgreementOf(chipKey) == protocol.Agreement;
}

std::optional<TBytes> CaSharedSecret(EVP_PKEY& chipKey, std::span<const std::uint8_t> terminalKey) {
  if (terminalKey.empty() || !AgreementOf(chipKey)) return std::nullopt;
  // The terminal's key in the chip's group: its parameters, then the public part as sent.
  TEvpPkeyPtr peer(EVP_PKEY_new());
  if (!peer || EVP_PKEY_copy_parameters(peer.get(), &chipKey) != 1 ||
      EVP_PKEY_set1_encoded_public_key(peer.get(), terminalKey.data(), terminalKey.size()) != 1)
    return std::nullopt;
  TEvpPkeyCtxPtr context(EVP_PKEY_CTX_new_from_pkey(nullptr, &chipKey, nullptr));
  if (!context || EVP_PKEY_derive_init(context.get()) != 1) return std::nullopt;
  // DH secrets keep their leading zero bytes: the length of p.
  if (AgreementOf(chipKey) == EKeyAgreement::Dh && EVP_PKEY_CTX_set_dh_pad(context.get(), 1) != 1) return std::nullopt;
  std::size_t length = 0;
  if (EVP_PKEY_derive_set_peer(context.get(), peer.get()) != 1 || EVP_PKEY_derive(context.get(), nullptr, &length) != 1)
    return std::nullopt;
  TBytes secret(length);
  if (EVP_PKEY_derive(context.get(), secret.data(), &length) != 1) {
    OPENSSL_cleanse(secret.data(), secret.size());
    return std::nullopt;
  }
  secret.resize(length);
  return secret;
}

TSmKeys DeriveCaSessionKeys(std::span<const std::uint8_t> secret, const TCaProtocol& protocol) {
  const EVP_MD* digest = protocol.KeyLength > 16 ? EVP_sha256() : EVP_sha1();
  const auto derive = [&](std::uint8_t counter) {
    TBytes input(secret.begin(), secret.end());
    Append(input, std::array<std::uint8_t, 4>{0, 0, 0, counter});
    std::array<std::uint8_t, EVP_MAX_MD_SIZE> hash{};
    unsigned int length = 0;
    const bool ok = EVP_Digest(input.data(), input.size(), hash.data(), &length, digest, nullptr) == 1;
    OPENSSL_cleanse(input.data(), input.size());
    if (!ok || length < protocol.KeyLength) throw std::runtime_error("the key derivation's digest is not available");
    TBytes key(hash.begin(), hash.begin() + static_cast<std::ptrdiff_t>(protocol.KeyLength));
    OPENSSL_cleanse(hash.data(), hash.size());
    if (protocol.Cipher == ESmCipher::TripleDes) AdjustParity(key);
    return key;
  };
  return {protocol.Cipher, derive(1), derive(2)};
}

}  // namespace simchip
