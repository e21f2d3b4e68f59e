#include "support/OpenSslCmac.h"

#include <openssl/core_names.h>
#include <openssl/evp.h>

#include <string>

TBytes OpenSslCmac8(const TBytes& key, const TBytes& data) {
  EVP_MAC* mac = EVP_MAC_fetch(nullptr, "CMAC", nullptr);
  EVP_MAC_CTX* context = EVP_MAC_CTX_new(mac);
  std::string cipher = "AES-" + std::to_string(key.size() * 8) + "-CBC";
  const OSSL_PARAM parameters[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_CIPHER, cipher.data(), 0),
                                   OSSL_PARAM_construct_end()};
  TBytes out(16);
  std::size_t length = 0;
  EVP_MAC_init(context, key.data(), key.size(), parameters);
  EVP_MAC_update(context, data.data(), data.size());
  EVP_MAC_final(context, out.data(), &length, out.size());
  EVP_MAC_CTX_free(context);
  EVP_MAC_free(mac);
  out.resize(8);
  return out;
}
