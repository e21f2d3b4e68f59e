#include "document/DG15.h"

#include <climits>

#include <openssl/ec.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include "card/BerLength.h"

namespace {

constexpr std::uint8_t kDG15Tag = 0x6F;

// The key's kinds by libcrypto's base id; RSA-PSS keys are left out, as they
// may not be used for the raw operation message recovery needs.
struct TKeyKindEntry {
  int BaseId;
  TAaKeyKind Kind;
};
constexpr TKeyKindEntry kKeyKinds[] = {
    {EVP_PKEY_RSA, TAaKeyKind::Rsa},
    {EVP_PKEY_EC, TAaKeyKind::Ec},
};

std::optional<TAaKeyKind> KindOf(const EVP_PKEY& key) {
  const int baseId = EVP_PKEY_get_base_id(&key);
  for (const TKeyKindEntry& entry : kKeyKinds)
    if (entry.BaseId == baseId) return entry.Kind;
  return std::nullopt;
}

// The bits of the EC key's group order; 0 when it has none.
int OrderBits(const EVP_PKEY& key) {
  BIGNUM* order = nullptr;
  if (EVP_PKEY_get_bn_param(&key, "order", &order) != 1) return 0;
  const int bits = BN_num_bits(order);
  BN_free(order);
  return bits;
}

}  // namespace

std::optional<TDG15File> DecodeDG15(std::span<const std::uint8_t> bytes) {
  if (bytes.empty() || bytes[0] != kDG15Tag) return std::nullopt;
  const std::optional<TBerLength> length = ParseBerLength(bytes.subspan(1));
  if (!length || length->Value > bytes.size() - 1 - length->FieldSize || length->Value > LONG_MAX) return std::nullopt;
  const std::span<const std::uint8_t> value = bytes.subspan(1 + length->FieldSize, length->Value);

  const unsigned char* cursor = value.data();
  TDG15File file;
  file.Key.reset(d2i_PUBKEY(nullptr, &cursor, static_cast<long>(value.size())));
  if (!file.Key || cursor != value.data() + value.size()) return std::nullopt;
  const std::optional<TAaKeyKind> kind = KindOf(*file.Key);
  if (!kind) return std::nullopt;
  file.Kind = *kind;

  file.KeyBits = file.Kind == TAaKeyKind::Rsa ? EVP_PKEY_get_bits(file.Key.get()) : OrderBits(*file.Key);
  // libcrypto decodes RSA keys of any size but uses none above its limit.
  if (file.KeyBits <= 0 || (file.Kind == TAaKeyKind::Rsa && file.KeyBits > OPENSSL_RSA_MAX_MODULUS_BITS))
    return std::nullopt;
  const std::size_t bytesPerNumber = (static_cast<std::size_t>(file.KeyBits) + 7) / 8;
  file.SignatureLength = file.Kind == TAaKeyKind::Rsa ? bytesPerNumber : 2 * bytesPerNumber;
  return file;
}
