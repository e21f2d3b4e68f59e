#include "TerminalSecureMessaging.h"

#include <openssl/dh.h>

#include <array>
#include <memory>
#include <stdexcept>

#include "support/OpenSslCmac.h"

namespace simchip::testing {

namespace {

TBytes Padded(TBytes data, std::size_t block) {
  data.push_back(0x80);
  while (data.size() % block != 0) data.push_back(0x00);
  return data;
}

TBytes Cipher(const EVP_CIPHER* cipher, const TBytes& key, const TBytes& iv, const TBytes& data, bool encrypt) {
  TEvpCipherCtxPtr context(EVP_CIPHER_CTX_new());
  TBytes out(data.size() + 32);
  int written = 0;
  int last = 0;
  if (EVP_CipherInit_ex(context.get(), cipher, nullptr, key.data(), iv.empty() ? nullptr : iv.data(),
                        encrypt ? 1 : 0) != 1 ||
      EVP_CIPHER_CTX_set_padding(context.get(), 0) != 1 ||
      EVP_CipherUpdate(context.get(), out.data(), &written, data.data(), static_cast<int>(data.size())) != 1 ||
      EVP_CipherFinal_ex(context.get(), out.data() + written, &last) != 1)
    throw std::runtime_error("cipher failed");
  out.resize(static_cast<std::size_t>(written + last));
  return out;
}

const EVP_CIPHER* AesCbc(std::size_t keyLength) {
  return keyLength == 16 ? EVP_aes_128_cbc() : keyLength == 24 ? EVP_aes_192_cbc() : EVP_aes_256_cbc();
}
const EVP_CIPHER* AesEcb(std::size_t keyLength) {
  return keyLength == 16 ? EVP_aes_128_ecb() : keyLength == 24 ? EVP_aes_192_ecb() : EVP_aes_256_ecb();
}

// ISO/IEC 9797-1 MAC algorithm 3 with DES: CBC under Ka, the last block
// through D(Kb) and E(Ka). DES-EDE3 with Ka Ka Ka is single DES under Ka.
TBytes RetailMac(const TBytes& key, const TBytes& padded) {
  const TBytes ka(key.begin(), key.begin() + 8);
  const TBytes kb(key.begin() + 8, key.begin() + 16);
  const TBytes single = Concat({ka, ka, ka});
  const TBytes chain = Cipher(EVP_des_ede3_cbc(), single, TBytes(8, 0), padded, true);
  const TBytes last(chain.end() - 8, chain.end());
  const TBytes decrypted = Cipher(EVP_des_ede3_ecb(), Concat({kb, kb, kb}), {}, last, false);
  return Cipher(EVP_des_ede3_ecb(), single, {}, decrypted, true);
}

void Step(TBytes& counter) {
  for (auto it = counter.rbegin(); it != counter.rend(); ++it)
    if (++*it != 0) return;
}

TBytes Sm(const TTerminalSm& sm, const TBytes& data, bool encrypt) {
  if (!sm.Aes) return Cipher(EVP_des_ede_cbc(), sm.Enc, TBytes(8, 0), data, encrypt);
  const TBytes iv = Cipher(AesEcb(sm.Enc.size()), sm.Enc, {}, sm.Counter, true);
  return Cipher(AesCbc(sm.Enc.size()), sm.Enc, iv, data, encrypt);
}

TBytes MacOf(const TTerminalSm& sm, const TBytes& data) {
  const std::size_t block = sm.Aes ? 16 : 8;
  const TBytes input = Padded(Concat({sm.Counter, data}), block);
  return sm.Aes ? OpenSslCmac8(sm.Mac, input) : RetailMac(sm.Mac, input);
}

}  // namespace

TBytes TTerminalSm::Protect(const TCommandApdu& plain) {
  const std::size_t block = Aes ? 16 : 8;
  const TBytes header{static_cast<std::uint8_t>(plain.Cla | 0x0C), plain.Ins, plain.P1, plain.P2};
  Step(Counter);
  TBytes objects;
  if (!plain.Data.empty()) {
    const TBytes cryptogram = Concat({{0x01}, Sm(*this, Padded(plain.Data, block), true)});
    objects = Concat({{0x87},
                      cryptogram.size() > 0x7F ? TBytes{0x81} : TBytes{},
                      {static_cast<std::uint8_t>(cryptogram.size())},
                      cryptogram});
  }
  if (plain.Le) objects = Concat({objects, {0x97, 0x01, static_cast<std::uint8_t>(*plain.Le & 0xFF)}});
  const TBytes mac = MacOf(*this, Concat({Padded(header, block), objects}));
  objects = Concat({objects, {0x8E, 0x08}, mac});
  return Concat({header, {static_cast<std::uint8_t>(objects.size())}, objects, {0x00}});
}

std::optional<TTerminalSm::TOpened> TTerminalSm::Open(std::span<const std::uint8_t> answer) {
  Step(Counter);
  if (answer.size() < 2 + 10) return std::nullopt;
  const TBytes body(answer.begin(), answer.end() - 2);
  // DO'8E' 08 MAC closes the body.
  const std::size_t macAt = body.size() - 10;
  if (body[macAt] != 0x8E || body[macAt + 1] != 0x08) return std::nullopt;
  const TBytes covered(body.begin(), body.begin() + static_cast<std::ptrdiff_t>(macAt));
  const TBytes mac(body.begin() + static_cast<std::ptrdiff_t>(macAt + 2), body.end());
  if (MacOf(*this, covered) != mac) return std::nullopt;
  TOpened opened;
  opened.Status = static_cast<std::uint16_t>(answer[answer.size() - 2] << 8 | answer[answer.size() - 1]);
  if (!covered.empty() && covered[0] == 0x87) {
    std::size_t at = 1;
    std::size_t length = covered[at++];
    if (length == 0x81) length = covered[at++];
    const TBytes cryptogram(covered.begin() + static_cast<std::ptrdiff_t>(at + 1),
                            covered.begin() + static_cast<std::ptrdiff_t>(at + length));
    TBytes data = Sm(*this, cryptogram, false);
    while (!data.empty() && data.back() == 0x00) data.pop_back();
    if (data.empty() || data.back() != 0x80) return std::nullopt;
    data.pop_back();
    opened.Data = data;
  }
  return opened;
}

TTerminalSm CaSession(std::span<const std::uint8_t> secret, bool aes, std::size_t keyLength) {
  const EVP_MD* digest = keyLength > 16 ? EVP_sha256() : EVP_sha1();
  const auto kdf = [&](std::uint8_t counter) {
    const TBytes input = Concat({TBytes(secret.begin(), secret.end()), {0, 0, 0, counter}});
    std::array<std::uint8_t, EVP_MAX_MD_SIZE> hash{};
    unsigned int length = 0;
    EVP_Digest(input.data(), input.size(), hash.data(), &length, digest, nullptr);
    return TBytes(hash.begin(), hash.begin() + static_cast<std::ptrdiff_t>(keyLength));
  };
  return {aes, kdf(1), kdf(2), TBytes(aes ? 16 : 8, 0x00)};
}

TBytes DeriveSecret(EVP_PKEY& own, EVP_PKEY& peer) {
  TEvpPkeyCtxPtr context(EVP_PKEY_CTX_new(&own, nullptr));
  std::size_t length = 0;
  if (EVP_PKEY_derive_init(context.get()) != 1) throw std::runtime_error("derive");
  if (EVP_PKEY_get_base_id(&own) != EVP_PKEY_EC) EVP_PKEY_CTX_set_dh_pad(context.get(), 1);
  if (EVP_PKEY_derive_set_peer(context.get(), &peer) != 1 || EVP_PKEY_derive(context.get(), nullptr, &length) != 1)
    throw std::runtime_error("derive");
  TBytes secret(length);
  EVP_PKEY_derive(context.get(), secret.data(), &length);
  secret.resize(length);
  return secret;
}

TEvpPkeyPtr EphemeralKey(EVP_PKEY& chipKey, bool leadingZero) {
  for (;;) {
    TEvpPkeyCtxPtr context(EVP_PKEY_CTX_new_from_pkey(nullptr, &chipKey, nullptr));
    EVP_PKEY* key = nullptr;
    if (EVP_PKEY_keygen_init(context.get()) != 1 || EVP_PKEY_generate(context.get(), &key) != 1)
      throw std::runtime_error("keygen");
    TEvpPkeyPtr ephemeral(key);
    if (!leadingZero || DeriveSecret(*ephemeral, chipKey)[0] == 0x00) return ephemeral;
  }
}

}  // namespace simchip::testing
