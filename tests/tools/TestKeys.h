#pragma once
// Key pairs made by libcrypto for the chip's documents in tests, and the
// documents that carry them.

#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <stdexcept>
#include <string>

#include "ChipHarness.h"
#include "crypto/OpenSslPointers.h"
#include "tools/simchip/ChipKeys.h"

namespace simchip::testing {

// "EC" with a curve name, "DHX" with an RFC 5114 group ("dh_1024_160"), or "RSA" with its size in bits.
inline TEvpPkeyPtr GenerateKey(const std::string& type, const std::string& parameter) {
  TEvpPkeyCtxPtr context(EVP_PKEY_CTX_new_from_name(nullptr, type.c_str(), nullptr));
  if (!context || EVP_PKEY_keygen_init(context.get()) <= 0) throw std::runtime_error("keygen " + type);
  if (type == "RSA") {
    EVP_PKEY_CTX_set_rsa_keygen_bits(context.get(), std::stoi(parameter));
  } else {
    const OSSL_PARAM params[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_PKEY_PARAM_GROUP_NAME, const_cast<char*>(parameter.c_str()), 0),
        OSSL_PARAM_END};
    EVP_PKEY_CTX_set_params(context.get(), params);
  }
  EVP_PKEY* key = nullptr;
  if (EVP_PKEY_generate(context.get(), &key) <= 0) throw std::runtime_error("keygen " + type + " " + parameter);
  return TEvpPkeyPtr(key);
}

// The specimen's small LDS with these extra files, and these private keys by name.
inline TDocument DocumentWith(std::map<std::string, TBytes> privateKeys, TLds extraFiles = {}) {
  TDocument document{"test", kSpecimenMrzInformation, SmallLds(), std::move(privateKeys)};
  for (auto& [id, content] : extraFiles) document.Lds[id] = std::move(content);
  return document;
}

}  // namespace simchip::testing
