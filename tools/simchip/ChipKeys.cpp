#include "tools/simchip/ChipKeys.h"

#include <openssl/core_names.h>
#include <openssl/x509.h>

#include <stdexcept>

#include "crypto/OpenSslPointers.h"

namespace simchip {

namespace {

using TPkeyContext = TEvpPkeyCtxPtr;

TEvpPkeyPtr Generate(EVP_PKEY_CTX* context) {
  EVP_PKEY* key = nullptr;
  if (!context || EVP_PKEY_generate(context, &key) <= 0) throw std::runtime_error("cannot generate a clone's key");
  return TEvpPkeyPtr(key);
}

TEvpPkeyPtr FreshRsaKey(EVP_PKEY& key) {
  BIGNUM* exponent = nullptr;
  if (EVP_PKEY_get_bn_param(&key, OSSL_PKEY_PARAM_RSA_E, &exponent) != 1)
    throw std::runtime_error("an RSA key without a public exponent");
  const TBignumPtr e(exponent);
  TPkeyContext context(EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr));
  if (!context || EVP_PKEY_keygen_init(context.get()) <= 0 ||
      EVP_PKEY_CTX_set_rsa_keygen_bits(context.get(), EVP_PKEY_get_bits(&key)) <= 0 ||
      EVP_PKEY_CTX_set1_rsa_keygen_pubexp(context.get(), e.get()) <= 0)
    throw std::runtime_error("cannot generate a clone's RSA key");
  return Generate(context.get());
}

}  // namespace

TEvpPkeyPtr DecodePrivateKey(std::span<const std::uint8_t> pkcs8) {
  const unsigned char* p = pkcs8.data();
  TEvpPkeyPtr key(d2i_AutoPrivateKey(nullptr, &p, static_cast<long>(pkcs8.size())));
  if (!key) throw std::runtime_error("a private key that is not PKCS #8");
  return key;
}

TBytes EncodePrivateKey(EVP_PKEY& key) {
  TPkcs8InfoPtr info(EVP_PKEY2PKCS8(&key));
  unsigned char* der = nullptr;
  const int length = info ? i2d_PKCS8_PRIV_KEY_INFO(info.get(), &der) : -1;
  if (length <= 0) throw std::runtime_error("cannot encode a private key");
  TBytes out(der, der + length);
  OPENSSL_clear_free(der, static_cast<std::size_t>(length));
  return out;
}

TEvpPkeyPtr FreshKeyLike(EVP_PKEY& key) {
  if (EVP_PKEY_get_base_id(&key) == EVP_PKEY_RSA) return FreshRsaKey(key);
  // EC and DH: a key pair in the key's own group.
  TPkeyContext context(EVP_PKEY_CTX_new_from_pkey(nullptr, &key, nullptr));
  if (!context || EVP_PKEY_keygen_init(context.get()) <= 0) throw std::runtime_error("cannot generate a clone's key");
  return Generate(context.get());
}

TChipKeys::TChipKeys(const std::map<std::string, TBytes>& pkcs8) {
  for (const auto& [name, der] : pkcs8) keys_.emplace(name, DecodePrivateKey(der));
}

EVP_PKEY* TChipKeys::Key(std::string_view name, bool clone) {
  const auto own = keys_.find(name);
  if (own == keys_.end()) return nullptr;
  if (!clone) return own->second.get();
  auto fresh = clones_.find(name);
  if (fresh == clones_.end()) fresh = clones_.emplace(std::string(name), FreshKeyLike(*own->second)).first;
  return fresh->second.get();
}

}  // namespace simchip
