#include "document/DG14.h"

#include <algorithm>
#include <climits>
#include <memory>

#include <openssl/asn1.h>
#include <openssl/objects.h>

#include "card/BerLength.h"
#include "crypto/ChipAuthProtocols.h"
#include "crypto/ObjectIdentifier.h"
#include "crypto/OpenSslPointers.h"

namespace {

constexpr std::uint8_t kDG14Tag = 0x6E;
// 2.23.136.1.1.5: id-AA.
constexpr std::uint8_t kIdAa[] = {0x67, 0x81, 0x08, 0x01, 0x01, 0x05};

using TBytes = std::vector<std::uint8_t>;

std::span<const std::uint8_t> OidBytes(const ASN1_TYPE* value) {
  const ASN1_OBJECT* object = value->value.object;
  return {OBJ_get0_data(object), static_cast<std::size_t>(OBJ_length(object))};
}

std::span<const std::uint8_t> StringBytes(const ASN1_STRING* string) {
  return {ASN1_STRING_get0_data(string), static_cast<std::size_t>(ASN1_STRING_length(string))};
}

std::optional<std::int64_t> IntegerOf(const ASN1_TYPE* value) {
  std::int64_t number = 0;
  if (ASN1_TYPE_get(value) != V_ASN1_INTEGER || ASN1_INTEGER_get_int64(&number, value->value.integer) != 1)
    return std::nullopt;
  return number;
}

// The fields of one SecurityInfo, SEQUENCE { protocol OID, ... }.
struct TFields {
  TAsn1TypeStackPtr Stack;
  int Count() const { return sk_ASN1_TYPE_num(Stack.get()); }
  const ASN1_TYPE* At(int index) const { return sk_ASN1_TYPE_value(Stack.get(), index); }
};

std::optional<TFields> FieldsOf(const ASN1_TYPE* entry) {
  if (ASN1_TYPE_get(entry) != V_ASN1_SEQUENCE) return std::nullopt;
  const std::span<const std::uint8_t> encoded = StringBytes(entry->value.sequence);
  const unsigned char* cursor = encoded.data();
  TFields fields{TAsn1TypeStackPtr(d2i_ASN1_SEQUENCE_ANY(nullptr, &cursor, static_cast<long>(encoded.size())))};
  if (!fields.Stack || fields.Count() < 1 || ASN1_TYPE_get(fields.At(0)) != V_ASN1_OBJECT) return std::nullopt;
  return fields;
}

// The optional key id at index; false when a field is there but not an INTEGER.
bool ReadKeyId(const TFields& fields, int index, std::optional<std::int64_t>& keyId) {
  if (fields.Count() <= index) return true;
  keyId = IntegerOf(fields.At(index));
  return keyId.has_value();
}

// ChipAuthenticationInfo ::= SEQUENCE { protocol, version INTEGER, keyId INTEGER OPTIONAL }
void TakeChipAuthenticationInfo(const TFields& fields, TDG14& dg14) {
  TChipAuthenticationInfo info;
  const std::optional<std::int64_t> version = fields.Count() >= 2 ? IntegerOf(fields.At(1)) : std::nullopt;
  if (!version || fields.Count() > 3 || !ReadKeyId(fields, 2, info.KeyId)) return;
  const std::span<const std::uint8_t> oid = OidBytes(fields.At(0));
  info.Oid.assign(oid.begin(), oid.end());
  info.Version = *version;
  dg14.ChipAuthenticationInfos.push_back(std::move(info));
}

// ChipAuthenticationPublicKeyInfo ::= SEQUENCE { protocol, SubjectPublicKeyInfo, keyId INTEGER OPTIONAL }
void TakeChipAuthenticationPublicKey(const TFields& fields, TDG14& dg14) {
  if (fields.Count() < 2 || fields.Count() > 3 || ASN1_TYPE_get(fields.At(1)) != V_ASN1_SEQUENCE) return;
  TChipAuthenticationPublicKeyInfo key;
  if (!ReadKeyId(fields, 2, key.KeyId)) return;
  const std::span<const std::uint8_t> oid = OidBytes(fields.At(0));
  const std::span<const std::uint8_t> publicKey = StringBytes(fields.At(1)->value.sequence);
  key.Oid.assign(oid.begin(), oid.end());
  key.PublicKeyInfo.assign(publicKey.begin(), publicKey.end());
  dg14.ChipAuthenticationPublicKeys.push_back(std::move(key));
}

// ActiveAuthenticationInfo ::= SEQUENCE { id-AA, version INTEGER, signatureAlgorithm OID }
void TakeActiveAuthenticationInfo(const TFields& fields, TDG14& dg14) {
  if (fields.Count() != 3 || ASN1_TYPE_get(fields.At(2)) != V_ASN1_OBJECT) return;
  const std::optional<std::int64_t> version = IntegerOf(fields.At(1));
  if (!version) return;
  const std::span<const std::uint8_t> algorithm = OidBytes(fields.At(2));
  dg14.ActiveAuthentication = TActiveAuthenticationInfo{*version, TBytes(algorithm.begin(), algorithm.end())};
}

void TakeEntry(const TFields& fields, TDG14& dg14) {
  const std::span<const std::uint8_t> oid = OidBytes(fields.At(0));
  if (FindCaKeyProtocol(oid)) return TakeChipAuthenticationPublicKey(fields, dg14);
  if (IsCaOid(oid)) return TakeChipAuthenticationInfo(fields, dg14);
  if (std::ranges::equal(oid, kIdAa)) return TakeActiveAuthenticationInfo(fields, dg14);
}

bool KeyFits(const TChipAuthenticationPublicKeyInfo& key, TPaceAgreement agreement) {
  const std::optional<TPaceAgreement> kind = FindCaKeyProtocol(key.Oid);
  return kind && *kind == agreement;
}

}  // namespace

std::optional<TDG14> ParseDG14(std::span<const std::uint8_t> file) {
  if (file.size() < 2 || file[0] != kDG14Tag || file.size() > static_cast<std::size_t>(LONG_MAX)) return std::nullopt;
  const std::optional<TBerLength> length = ParseBerLength(file.subspan(1));
  if (!length || 1 + length->FieldSize + length->Value != file.size()) return std::nullopt;
  const std::span<const std::uint8_t> content = file.subspan(1 + length->FieldSize);
  const unsigned char* cursor = content.data();
  const TAsn1TypeStackPtr entries(d2i_ASN1_SET_ANY(nullptr, &cursor, static_cast<long>(content.size())));
  if (!entries || cursor != content.data() + content.size()) return std::nullopt;

  TDG14 dg14;
  for (int i = 0; i < sk_ASN1_TYPE_num(entries.get()); ++i)
    if (const std::optional<TFields> fields = FieldsOf(sk_ASN1_TYPE_value(entries.get(), i))) TakeEntry(*fields, dg14);
  return dg14;
}

std::vector<TChipAuthenticationOption> ChipAuthenticationOptions(const TDG14& dg14) {
  const auto& keys = dg14.ChipAuthenticationPublicKeys;
  std::vector<TChipAuthenticationOption> options;
  if (dg14.ChipAuthenticationInfos.empty()) {
    // Keys alone: the protocol of their kind with 3DES.
    for (const TChipAuthenticationPublicKeyInfo& key : keys)
      if (const std::optional<TPaceAgreement> kind = FindCaKeyProtocol(key.Oid))
        options.push_back(
            {TChipAuthenticationKey{TBytes(ImpliedCaProtocol(*kind).Oid.begin(), ImpliedCaProtocol(*kind).Oid.end()),
                                    key.KeyId, key.PublicKeyInfo, false},
             {}});
    return options;
  }
  for (const TChipAuthenticationInfo& info : dg14.ChipAuthenticationInfos) {
    const std::optional<TCaProtocol> protocol = FindCaProtocol(info.Oid);
    if (!protocol) {
      options.push_back({std::nullopt, "protocol " + DottedOid(info.Oid) + " not known"});
      continue;
    }
    if (info.Version != 1) {
      options.push_back({std::nullopt, "version " + std::to_string(info.Version)});
      continue;
    }
    const auto fits = [&](const TChipAuthenticationPublicKeyInfo& key) {
      return KeyFits(key, protocol->Agreement) && (!info.KeyId || key.KeyId == info.KeyId);
    };
    const auto count = std::ranges::count_if(keys, fits);
    if (count == 1)
      options.push_back(
          {TChipAuthenticationKey{info.Oid, info.KeyId, std::ranges::find_if(keys, fits)->PublicKeyInfo, true}, {}});
    else if (count == 0)
      options.push_back({std::nullopt, info.KeyId ? "no key with keyId " + std::to_string(*info.KeyId)
                                                  : std::string("no key of its kind")});
    else
      options.push_back({std::nullopt, std::to_string(count) + " keys and no keyId to choose between them"});
  }
  return options;
}

std::optional<TChipAuthenticationKey> ChooseChipAuthentication(const TDG14& dg14) {
  for (TChipAuthenticationOption& option : ChipAuthenticationOptions(dg14))
    if (option.Key) return std::move(option.Key);
  return std::nullopt;
}
