#include "document/SecurityInfos.h"

#include <algorithm>
#include <array>
#include <climits>

#include <openssl/asn1.h>
#include <openssl/objects.h>

#include "crypto/ChipAuthProtocols.h"
#include "crypto/OpenSslPointers.h"

namespace {

using TBytes = std::vector<std::uint8_t>;

// 0.4.0.127.0.7.2.2.4: id-PACE; a PACEInfo's protocol is two arcs below it.
constexpr std::array<std::uint8_t, 8> kIdPace{0x04, 0x00, 0x7F, 0x00, 0x07, 0x02, 0x02, 0x04};
// 0.4.0.127.0.7.2.2.3.1 and .2: id-CA-DH and id-CA-ECDH, the protocols of a
// ChipAuthenticationDomainParameterInfo.
constexpr std::array<std::uint8_t, 9> kIdCaDh{0x04, 0x00, 0x7F, 0x00, 0x07, 0x02, 0x02, 0x03, 0x01};
constexpr std::array<std::uint8_t, 9> kIdCaEcdh{0x04, 0x00, 0x7F, 0x00, 0x07, 0x02, 0x02, 0x03, 0x02};
// 0.4.0.127.0.7.1.2: standardizedDomainParameters, whose parameter is the id.
constexpr std::array<std::uint8_t, 7> kStandardizedDomainParameters{0x04, 0x00, 0x7F, 0x00, 0x07, 0x01, 0x02};
// 2.23.136.1.1.5: id-AA.
constexpr std::array<std::uint8_t, 6> kIdAa{0x67, 0x81, 0x08, 0x01, 0x01, 0x05};

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

// The fields of a SEQUENCE's DER: each one an ASN1_TYPE.
struct TFields {
  TAsn1TypeStackPtr Stack;
  int Count() const { return sk_ASN1_TYPE_num(Stack.get()); }
  const ASN1_TYPE* At(int index) const { return sk_ASN1_TYPE_value(Stack.get(), index); }
};

std::optional<TFields> SequenceFields(const ASN1_TYPE* value) {
  if (ASN1_TYPE_get(value) != V_ASN1_SEQUENCE) return std::nullopt;
  const std::span<const std::uint8_t> encoded = StringBytes(value->value.sequence);
  const unsigned char* cursor = encoded.data();
  TFields fields{TAsn1TypeStackPtr(d2i_ASN1_SEQUENCE_ANY(nullptr, &cursor, static_cast<long>(encoded.size())))};
  if (!fields.Stack) return std::nullopt;
  return fields;
}

// One SecurityInfo, SEQUENCE { protocol OID, ... }.
std::optional<TFields> EntryFields(const ASN1_TYPE* entry) {
  std::optional<TFields> fields = SequenceFields(entry);
  if (!fields || fields->Count() < 1 || ASN1_TYPE_get(fields->At(0)) != V_ASN1_OBJECT) return std::nullopt;
  return fields;
}

TBytes ProtocolOf(const TFields& fields) {
  const std::span<const std::uint8_t> oid = OidBytes(fields.At(0));
  return {oid.begin(), oid.end()};
}

// The optional key id at index; false when a field is there but not an INTEGER.
bool ReadOptionalInteger(const TFields& fields, int index, std::optional<std::int64_t>& value) {
  if (fields.Count() <= index) return true;
  value = IntegerOf(fields.At(index));
  return value.has_value();
}

// PACEInfo ::= SEQUENCE { protocol, version INTEGER, parameterId INTEGER OPTIONAL }
void TakePaceInfo(const TFields& fields, TSecurityInfos& infos) {
  TPaceInfoEntry info;
  const std::optional<std::int64_t> version = fields.Count() >= 2 ? IntegerOf(fields.At(1)) : std::nullopt;
  if (!version || fields.Count() > 3 || !ReadOptionalInteger(fields, 2, info.ParameterId)) return;
  info.Oid = ProtocolOf(fields);
  info.Version = *version;
  infos.PaceInfos.push_back(std::move(info));
}

// ChipAuthenticationInfo ::= SEQUENCE { protocol, version INTEGER, keyId INTEGER OPTIONAL }
void TakeChipAuthenticationInfo(const TFields& fields, TSecurityInfos& infos) {
  TChipAuthenticationInfo info;
  const std::optional<std::int64_t> version = fields.Count() >= 2 ? IntegerOf(fields.At(1)) : std::nullopt;
  if (!version || fields.Count() > 3 || !ReadOptionalInteger(fields, 2, info.KeyId)) return;
  info.Oid = ProtocolOf(fields);
  info.Version = *version;
  infos.ChipAuthenticationInfos.push_back(std::move(info));
}

// ChipAuthenticationPublicKeyInfo ::= SEQUENCE { protocol, SubjectPublicKeyInfo, keyId INTEGER OPTIONAL }
void TakeChipAuthenticationPublicKey(const TFields& fields, TSecurityInfos& infos) {
  if (fields.Count() < 2 || fields.Count() > 3 || ASN1_TYPE_get(fields.At(1)) != V_ASN1_SEQUENCE) return;
  TChipAuthenticationPublicKeyInfo key;
  if (!ReadOptionalInteger(fields, 2, key.KeyId)) return;
  const std::span<const std::uint8_t> publicKey = StringBytes(fields.At(1)->value.sequence);
  key.Oid = ProtocolOf(fields);
  key.PublicKeyInfo.assign(publicKey.begin(), publicKey.end());
  infos.ChipAuthenticationPublicKeys.push_back(std::move(key));
}

// ChipAuthenticationDomainParameterInfo ::= SEQUENCE { protocol, domainParameter
// AlgorithmIdentifier, keyId INTEGER OPTIONAL }
void TakeChipAuthenticationDomainParameters(const TFields& fields, TSecurityInfos& infos) {
  if (fields.Count() < 2 || fields.Count() > 3) return;
  const std::optional<TFields> algorithm = SequenceFields(fields.At(1));
  if (!algorithm || algorithm->Count() < 1 || ASN1_TYPE_get(algorithm->At(0)) != V_ASN1_OBJECT) return;
  TChipAuthenticationDomainParameterInfo info;
  if (!ReadOptionalInteger(fields, 2, info.KeyId)) return;
  if (std::ranges::equal(OidBytes(algorithm->At(0)), kStandardizedDomainParameters) && algorithm->Count() == 2)
    info.StandardizedId = IntegerOf(algorithm->At(1));
  const std::span<const std::uint8_t> parameters = StringBytes(fields.At(1)->value.sequence);
  info.Oid = ProtocolOf(fields);
  info.DomainParameter.assign(parameters.begin(), parameters.end());
  infos.ChipAuthenticationDomainParameters.push_back(std::move(info));
}

// ActiveAuthenticationInfo ::= SEQUENCE { id-AA, version INTEGER, signatureAlgorithm OID }
void TakeActiveAuthenticationInfo(const TFields& fields, TSecurityInfos& infos) {
  if (fields.Count() != 3 || ASN1_TYPE_get(fields.At(2)) != V_ASN1_OBJECT) return;
  const std::optional<std::int64_t> version = IntegerOf(fields.At(1));
  if (!version) return;
  const std::span<const std::uint8_t> algorithm = OidBytes(fields.At(2));
  infos.ActiveAuthentication = TActiveAuthenticationInfo{*version, TBytes(algorithm.begin(), algorithm.end())};
}

bool IsPaceProtocol(std::span<const std::uint8_t> oid) {
  return oid.size() > kIdPace.size() + 1 && std::ranges::equal(oid.first(kIdPace.size()), kIdPace);
}

bool IsCaDomainProtocol(std::span<const std::uint8_t> oid) {
  return std::ranges::equal(oid, kIdCaDh) || std::ranges::equal(oid, kIdCaEcdh);
}

struct TEntryKind {
  bool (*Matches)(std::span<const std::uint8_t> oid);
  void (*Take)(const TFields& fields, TSecurityInfos& infos);
};

// Which entry a protocol OID starts, checked in this order.
const std::array kEntryKinds{
    TEntryKind{[](std::span<const std::uint8_t> oid) { return FindCaKeyProtocol(oid).has_value(); },
               TakeChipAuthenticationPublicKey},
    // id-CA-DH and id-CA-ECDH lie under id-CA too: before the ChipAuthenticationInfos.
    TEntryKind{IsCaDomainProtocol, TakeChipAuthenticationDomainParameters},
    TEntryKind{[](std::span<const std::uint8_t> oid) { return IsCaOid(oid); }, TakeChipAuthenticationInfo},
    TEntryKind{IsPaceProtocol, TakePaceInfo},
    TEntryKind{[](std::span<const std::uint8_t> oid) { return std::ranges::equal(oid, kIdAa); },
               TakeActiveAuthenticationInfo},
};

void TakeEntry(const TFields& fields, TSecurityInfos& infos) {
  const std::span<const std::uint8_t> oid = OidBytes(fields.At(0));
  infos.Protocols.emplace_back(oid.begin(), oid.end());
  const auto kind = std::ranges::find_if(kEntryKinds, [oid](const TEntryKind& entry) { return entry.Matches(oid); });
  if (kind != kEntryKinds.end()) kind->Take(fields, infos);
}

}  // namespace

std::optional<TSecurityInfos> ParseSecurityInfos(std::span<const std::uint8_t> set) {
  if (set.empty() || set.size() > static_cast<std::size_t>(LONG_MAX)) return std::nullopt;
  const unsigned char* cursor = set.data();
  const TAsn1TypeStackPtr entries(d2i_ASN1_SET_ANY(nullptr, &cursor, static_cast<long>(set.size())));
  if (!entries || cursor != set.data() + set.size()) return std::nullopt;
  TSecurityInfos infos;
  for (int i = 0; i < sk_ASN1_TYPE_num(entries.get()); ++i)
    if (const std::optional<TFields> fields = EntryFields(sk_ASN1_TYPE_value(entries.get(), i)))
      TakeEntry(*fields, infos);
  return infos;
}

const TChipAuthenticationPublicKeyInfo* PublicKeyWithId(const TSecurityInfos& infos, std::int64_t keyId) {
  const auto withId = [keyId](const TChipAuthenticationPublicKeyInfo& key) { return key.KeyId == keyId; };
  if (std::ranges::count_if(infos.ChipAuthenticationPublicKeys, withId) != 1) return nullptr;
  return &*std::ranges::find_if(infos.ChipAuthenticationPublicKeys, withId);
}
