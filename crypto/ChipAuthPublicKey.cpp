#include "crypto/ChipAuthPublicKey.h"

#include <algorithm>
#include <climits>

#include <openssl/asn1.h>
#include <openssl/bn.h>
#include <openssl/ec.h>
#include <openssl/objects.h>

#include "crypto/OpenSslPointers.h"

namespace {

// id-ecPublicKey 1.2.840.10045.2.1 and dhpublicnumber 1.2.840.10046.2.1.
constexpr std::uint8_t kEcPublicKey[] = {0x2A, 0x86, 0x48, 0xCE, 0x3D, 0x02, 0x01};
constexpr std::uint8_t kDhPublicNumber[] = {0x2A, 0x86, 0x48, 0xCE, 0x3E, 0x02, 0x01};
// standardizedDomainParameters 0.4.0.127.0.7.1.2 (BSI TR-03110), its parameter the PACE
// parameter id: how EF.CardSecurity and EF.CardAccess name a standard group.
constexpr std::uint8_t kStandardizedDomainParameters[] = {0x04, 0x00, 0x7F, 0x00, 0x07, 0x01, 0x02};

// The standard PACE parameter ids of the named curves the program knows.
constexpr std::uint32_t kFirstCurveId = 8;
constexpr std::uint32_t kLastCurveId = 18;
// DH moduli the program takes: from 1024 bits (nothing shorter is secure)
// to 2048 (longer keys could not travel even in extended-length APDUs here).
constexpr int kLeastDhBits = 1024;
constexpr int kMostDhBits = 2048;
// The subgroup order: at least 160 bits (RFC 5114's smallest), which also
// keeps the drawing of a private key below it short.
constexpr int kLeastDhOrderBits = 160;

TChipPublicKeyDecoding Refused(std::string failure) { return {std::nullopt, std::move(failure)}; }

// The elements of a DER SEQUENCE that fills bytes exactly.
TAsn1TypeStackPtr SequenceOf(std::span<const std::uint8_t> bytes) {
  if (bytes.empty() || bytes.size() > static_cast<std::size_t>(LONG_MAX)) return nullptr;
  const unsigned char* cursor = bytes.data();
  TAsn1TypeStackPtr fields(d2i_ASN1_SEQUENCE_ANY(nullptr, &cursor, static_cast<long>(bytes.size())));
  if (!fields || cursor != bytes.data() + bytes.size()) return nullptr;
  return fields;
}

std::span<const std::uint8_t> StringBytes(const ASN1_STRING* string) {
  return {ASN1_STRING_get0_data(string), static_cast<std::size_t>(ASN1_STRING_length(string))};
}

bool IsOid(const ASN1_TYPE* value, std::span<const std::uint8_t> oid) {
  if (ASN1_TYPE_get(value) != V_ASN1_OBJECT) return false;
  const ASN1_OBJECT* object = value->value.object;
  return std::ranges::equal(std::span<const std::uint8_t>(OBJ_get0_data(object), OBJ_length(object)), oid);
}

TBignumPtr NumberOf(const ASN1_TYPE* value) {
  if (ASN1_TYPE_get(value) != V_ASN1_INTEGER) return nullptr;
  TBignumPtr number(ASN1_INTEGER_to_BN(value->value.integer, nullptr));
  if (number && BN_is_negative(number.get())) return nullptr;
  return number;
}

// The named curves the program knows, made once: their PACE domain and group.
struct TKnownCurve {
  TPaceDomain Domain;
  TEcGroupPtr Group;
};

const std::vector<TKnownCurve>& KnownCurves() {
  static const std::vector<TKnownCurve> curves = [] {
    std::vector<TKnownCurve> made;
    for (std::uint32_t id = kFirstCurveId; id <= kLastCurveId; ++id)
      if (const std::optional<TPaceDomain> domain = FindPaceDomain(id);
          domain && domain->Agreement == TPaceAgreement::Ecdh)
        if (TEcGroupPtr group(EC_GROUP_new_by_curve_name(domain->CurveNid)); group)
          made.push_back({*domain, std::move(group)});
    return made;
  }();
  return curves;
}

// The known named curve equal to group (named or explicit). libcrypto names
// explicit parameters after the built-in curve they equal while decoding
// them; that curve is compared first, then every other.
const TKnownCurve* KnownCurve(const EC_GROUP& group) {
  const TBnCtxPtr context(BN_CTX_new());
  // EC_GROUP_cmp compares the field, a, b, the generator, the order and the cofactor.
  const auto equal = [&](const TKnownCurve& curve) {
    return EC_GROUP_cmp(curve.Group.get(), &group, context.get()) == 0;
  };
  const std::vector<TKnownCurve>& curves = KnownCurves();
  const int guessed = EC_GROUP_get_curve_name(&group);
  const auto named =
      std::ranges::find_if(curves, [guessed](const TKnownCurve& curve) { return curve.Domain.CurveNid == guessed; });
  if (named != curves.end() && equal(*named)) return &*named;
  const auto found = std::ranges::find_if(curves, equal);
  return found == curves.end() ? nullptr : &*found;
}

TChipPublicKeyDecoding DecodeEcKey(const ASN1_TYPE& parameters, std::span<const std::uint8_t> point) {
  unsigned char* der = nullptr;
  const int length = i2d_ASN1_TYPE(&parameters, &der);
  if (length <= 0) return Refused("EC parameters not readable");
  const unsigned char* cursor = der;
  const TEcGroupPtr group(d2i_ECPKParameters(nullptr, &cursor, length));
  OPENSSL_free(der);
  if (!group) return Refused("EC parameters not readable");
  const TKnownCurve* curve = KnownCurve(*group);
  if (!curve) return Refused("explicit EC parameters of no known curve");
  TChipPublicKey key{TPaceAgreement::Ecdh, std::string(curve->Domain.Name), MakeEcGroup(*curve->Group),
                     std::vector<std::uint8_t>(point.begin(), point.end())};
  return {std::move(key), {}};
}

// The DER INTEGER y of a DH key, as a number over length bytes; nothing when it is not one.
std::optional<std::vector<std::uint8_t>> DhPublicNumber(std::span<const std::uint8_t> publicKey, int length) {
  const unsigned char* cursor = publicKey.data();
  const TAsn1IntegerPtr y(d2i_ASN1_INTEGER(nullptr, &cursor, static_cast<long>(publicKey.size())));
  if (!y || cursor != publicKey.data() + publicKey.size()) return std::nullopt;
  const TBignumPtr yNumber(ASN1_INTEGER_to_BN(y.get(), nullptr));
  std::vector<std::uint8_t> encoded(static_cast<std::size_t>(length));
  if (!yNumber || BN_is_negative(yNumber.get()) || BN_bn2binpad(yNumber.get(), encoded.data(), length) != length)
    return std::nullopt;
  return encoded;
}

// X9.42 DomainParameters ::= SEQUENCE { p, g, q, j OPTIONAL, validationParms OPTIONAL };
// the public key is an INTEGER inside the BIT STRING.
TChipPublicKeyDecoding DecodeDhKey(const ASN1_TYPE& parameters, std::span<const std::uint8_t> publicKey) {
  if (ASN1_TYPE_get(&parameters) != V_ASN1_SEQUENCE) return Refused("DH parameters not readable");
  const TAsn1TypeStackPtr fields = SequenceOf(StringBytes(parameters.value.sequence));
  if (!fields || sk_ASN1_TYPE_num(fields.get()) < 3) return Refused("DH parameters not readable");
  const TBignumPtr p = NumberOf(sk_ASN1_TYPE_value(fields.get(), 0));
  const TBignumPtr g = NumberOf(sk_ASN1_TYPE_value(fields.get(), 1));
  const TBignumPtr q = NumberOf(sk_ASN1_TYPE_value(fields.get(), 2));
  if (!p || !g || !q || BN_num_bits(p.get()) < kLeastDhBits || BN_num_bits(p.get()) > kMostDhBits ||
      BN_num_bits(q.get()) < kLeastDhOrderBits || BN_cmp(q.get(), p.get()) >= 0 ||
      BN_cmp(g.get(), BN_value_one()) <= 0 || BN_cmp(g.get(), p.get()) >= 0 || !BN_is_odd(p.get()))
    return Refused("DH parameters not usable");

  std::optional<std::vector<std::uint8_t>> encoded = DhPublicNumber(publicKey, BN_num_bytes(p.get()));
  if (!encoded) return Refused("DH public key not readable");
  TChipPublicKey key{TPaceAgreement::Dh, std::to_string(BN_num_bits(p.get())) + "-bit MODP group",
                     MakeDhGroup(*p, *q, *g), std::move(*encoded)};
  return {std::move(key), {}};
}

// A key on standard domain parameters named by their id (the groups of PACE).
TChipPublicKeyDecoding DecodeStandardizedKey(const ASN1_TYPE& parameters, std::span<const std::uint8_t> publicKey) {
  const TBignumPtr id = NumberOf(&parameters);
  if (!id || BN_num_bits(id.get()) > 8) return Refused("standardized domain parameters not readable");
  const std::optional<TPaceDomain> domain = FindPaceDomain(static_cast<std::uint32_t>(BN_get_word(id.get())));
  if (!domain) return Refused("standardized domain parameters " + std::to_string(BN_get_word(id.get())) + " unknown");
  std::unique_ptr<TPaceGroup> group = MakePaceGroup(*domain);
  std::vector<std::uint8_t> key(publicKey.begin(), publicKey.end());
  if (domain->Agreement == TPaceAgreement::Dh) {
    std::optional<std::vector<std::uint8_t>> number = DhPublicNumber(publicKey, (group->PrimeBits() + 7) / 8);
    if (!number) return Refused("DH public key not readable");
    key = std::move(*number);
  }
  TChipPublicKey decoded{domain->Agreement, std::string(domain->Name), std::move(group), std::move(key)};
  return {std::move(decoded), {}};
}

}  // namespace

TChipPublicKeyDecoding DecodeChipPublicKey(std::span<const std::uint8_t> subjectPublicKeyInfo) {
  // SubjectPublicKeyInfo ::= SEQUENCE { AlgorithmIdentifier { OID, parameters }, BIT STRING }
  const TAsn1TypeStackPtr info = SequenceOf(subjectPublicKeyInfo);
  if (!info || sk_ASN1_TYPE_num(info.get()) != 2) return Refused("public key not readable");
  const ASN1_TYPE* algorithmField = sk_ASN1_TYPE_value(info.get(), 0);
  const ASN1_TYPE* keyField = sk_ASN1_TYPE_value(info.get(), 1);
  if (ASN1_TYPE_get(algorithmField) != V_ASN1_SEQUENCE || ASN1_TYPE_get(keyField) != V_ASN1_BIT_STRING)
    return Refused("public key not readable");
  const TAsn1TypeStackPtr algorithm = SequenceOf(StringBytes(algorithmField->value.sequence));
  if (!algorithm || sk_ASN1_TYPE_num(algorithm.get()) != 2) return Refused("public key algorithm not readable");
  const ASN1_BIT_STRING* bits = keyField->value.bit_string;
  // Whole bytes only: no unused bits in the last byte.
  if ((bits->flags & ASN1_STRING_FLAG_BITS_LEFT) != 0 && (bits->flags & 0x07) != 0)
    return Refused("public key not readable");
  const std::span<const std::uint8_t> key = StringBytes(bits);
  if (key.empty()) return Refused("public key not readable");

  const ASN1_TYPE* oid = sk_ASN1_TYPE_value(algorithm.get(), 0);
  const ASN1_TYPE& parameters = *sk_ASN1_TYPE_value(algorithm.get(), 1);
  if (IsOid(oid, kEcPublicKey)) return DecodeEcKey(parameters, key);
  if (IsOid(oid, kDhPublicNumber)) return DecodeDhKey(parameters, key);
  if (IsOid(oid, kStandardizedDomainParameters)) return DecodeStandardizedKey(parameters, key);
  return Refused("public key of an algorithm the program does not know");
}
