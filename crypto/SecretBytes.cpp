#include "crypto/SecretBytes.h"

#include <openssl/crypto.h>

void WipeBytes(std::span<std::uint8_t> bytes) {
  if (!bytes.empty()) OPENSSL_cleanse(bytes.data(), bytes.size());
}
