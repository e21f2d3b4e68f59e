#pragma once
// The chip's own private keys (a document file's private-key entries, PKCS #8
// DER): "chip-authentication" for the key agreement of Chip Authentication
// (DG14's public key), "active-authentication" for the signature of Active
// Authentication (DG15's). A clone of the document has no access to them: it
// answers with a fresh key of the same kind, which a reader that checks
// against DG14 or DG15 finds out.

#include <openssl/evp.h>

#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "crypto/OpenSslPointers.h"
#include "tools/simchip/Bytes.h"

namespace simchip {

inline constexpr std::string_view kChipAuthenticationKey = "chip-authentication";
inline constexpr std::string_view kActiveAuthenticationKey = "active-authentication";

// Throws std::runtime_error when the bytes are no PKCS #8 private key.
TEvpPkeyPtr DecodePrivateKey(std::span<const std::uint8_t> pkcs8);
// PKCS #8 DER of a private key.
TBytes EncodePrivateKey(EVP_PKEY& key);
// A new key of the same kind: the same group or domain parameters (EC, DH),
// the same modulus size and public exponent (RSA).
TEvpPkeyPtr FreshKeyLike(EVP_PKEY& key);

class TChipKeys {
public:
  TChipKeys() = default;
  // Decodes every key at once, so that a broken document fails when loaded.
  explicit TChipKeys(const std::map<std::string, TBytes>& pkcs8);

  // The key the chip uses: the document's, or for a clone a fresh one of the
  // same kind (drawn once, then kept). Null when the document has no such key.
  EVP_PKEY* Key(std::string_view name, bool clone);

private:
  std::map<std::string, TEvpPkeyPtr, std::less<>> keys_;
  std::map<std::string, TEvpPkeyPtr, std::less<>> clones_;
};

}  // namespace simchip
