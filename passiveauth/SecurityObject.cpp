#include "passiveauth/SecurityObject.h"

#include <memory>
#include <stdexcept>

#include <openssl/asn1t.h>
#include <openssl/objects.h>
#include <openssl/x509.h>

#include "crypto/OpenSslPointers.h"

// LDSSecurityObject ::= SEQUENCE {
//   version INTEGER, hashAlgorithm AlgorithmIdentifier,
//   dataGroupHashValues SEQUENCE OF SEQUENCE { dataGroupNumber INTEGER, dataGroupHashValue OCTET STRING },
//   ldsVersionInfo SEQUENCE { ldsVersion PrintableString, unicodeVersion PrintableString } OPTIONAL }
extern "C" {
typedef struct LdsDataGroupHash_st {
  ASN1_INTEGER* number;
  ASN1_OCTET_STRING* value;
} LDS_DG_HASH;

typedef struct LdsVersionInfo_st {
  ASN1_PRINTABLESTRING* ldsVersion;
  ASN1_PRINTABLESTRING* unicodeVersion;
} LDS_VERSION_INFO;

DEFINE_STACK_OF(LDS_DG_HASH)

typedef struct LdsSecurityObject_st {
  ASN1_INTEGER* version;
  X509_ALGOR* hashAlgorithm;
  STACK_OF(LDS_DG_HASH) * hashes;
  LDS_VERSION_INFO* versionInfo;
} LDS_SECURITY_OBJECT;

DECLARE_ASN1_FUNCTIONS(LDS_DG_HASH)
DECLARE_ASN1_FUNCTIONS(LDS_VERSION_INFO)
DECLARE_ASN1_FUNCTIONS(LDS_SECURITY_OBJECT)

ASN1_SEQUENCE(LDS_DG_HASH) =
    {
        ASN1_SIMPLE(LDS_DG_HASH, number, ASN1_INTEGER),
        ASN1_SIMPLE(LDS_DG_HASH, value, ASN1_OCTET_STRING),
} ASN1_SEQUENCE_END(LDS_DG_HASH)

        ASN1_SEQUENCE(LDS_VERSION_INFO) =
            {
                ASN1_SIMPLE(LDS_VERSION_INFO, ldsVersion, ASN1_PRINTABLESTRING),
                ASN1_SIMPLE(LDS_VERSION_INFO, unicodeVersion, ASN1_PRINTABLESTRING),
} ASN1_SEQUENCE_END(LDS_VERSION_INFO)

                ASN1_SEQUENCE(LDS_SECURITY_OBJECT) =
                    {
                        ASN1_SIMPLE(LDS_SECURITY_OBJECT, version, ASN1_INTEGER),
                        ASN1_SIMPLE(LDS_SECURITY_OBJECT, hashAlgorithm, X509_ALGOR),
                        ASN1_SEQUENCE_OF(LDS_SECURITY_OBJECT, hashes, LDS_DG_HASH),
                        ASN1_OPT(LDS_SECURITY_OBJECT, versionInfo, LDS_VERSION_INFO),
} ASN1_SEQUENCE_END(LDS_SECURITY_OBJECT)

                        IMPLEMENT_ASN1_FUNCTIONS(LDS_DG_HASH) IMPLEMENT_ASN1_FUNCTIONS(LDS_VERSION_INFO)
                            IMPLEMENT_ASN1_FUNCTIONS(LDS_SECURITY_OBJECT)
}

namespace {

// The type is this file's own ASN.1 template, so its owner is named here.
using TSecurityObjectPtr = TOpenSslPtr<LDS_SECURITY_OBJECT, LDS_SECURITY_OBJECT_free>;

std::string Text(const ASN1_STRING* string) {
  return std::string(reinterpret_cast<const char*>(ASN1_STRING_get0_data(string)),
                     static_cast<std::size_t>(ASN1_STRING_length(string)));
}

bool SmallInteger(const ASN1_INTEGER* integer, long& value) {
  std::int64_t decoded = 0;
  if (ASN1_INTEGER_get_int64(&decoded, integer) != 1 || decoded < 0 || decoded > 1000) return false;
  value = static_cast<long>(decoded);
  return true;
}

}  // namespace

std::optional<TSecurityObject> DecodeSecurityObject(std::span<const std::uint8_t> der) {
  const unsigned char* cursor = der.data();
  TSecurityObjectPtr decoded(d2i_LDS_SECURITY_OBJECT(nullptr, &cursor, static_cast<long>(der.size())));
  if (!decoded || cursor != der.data() + der.size()) return std::nullopt;

  TSecurityObject object;
  if (!SmallInteger(decoded->version, object.Version) || object.Version > 1) return std::nullopt;
  if ((object.Version == 1) != (decoded->versionInfo != nullptr)) return std::nullopt;
  const ASN1_OBJECT* algorithm = nullptr;
  X509_ALGOR_get0(&algorithm, nullptr, nullptr, decoded->hashAlgorithm);
  const int nid = OBJ_obj2nid(algorithm);
  if (nid == NID_undef) return std::nullopt;
  object.HashAlgorithm = OBJ_nid2sn(nid);
  if (decoded->versionInfo) {
    object.LdsVersion = Text(decoded->versionInfo->ldsVersion);
    object.UnicodeVersion = Text(decoded->versionInfo->unicodeVersion);
  }
  for (int i = 0; i < sk_LDS_DG_HASH_num(decoded->hashes); ++i) {
    const LDS_DG_HASH* hash = sk_LDS_DG_HASH_value(decoded->hashes, i);
    long number = 0;
    if (!SmallInteger(hash->number, number) || number < 1 || number > 16) return std::nullopt;
    const auto* bytes = ASN1_STRING_get0_data(hash->value);
    if (!object.Hashes
             .emplace(static_cast<int>(number),
                      std::vector<std::uint8_t>(bytes, bytes + ASN1_STRING_length(hash->value)))
             .second)
      return std::nullopt;  // a data group listed twice
  }
  return object;
}

std::vector<std::uint8_t> EncodeSecurityObject(const TSecurityObject& object) {
  const int nid = OBJ_sn2nid(object.HashAlgorithm.c_str());
  if (nid == NID_undef) throw std::runtime_error("unknown hash algorithm " + object.HashAlgorithm);
  TSecurityObjectPtr encoded(LDS_SECURITY_OBJECT_new());
  ASN1_INTEGER_set(encoded->version, object.Version);
  X509_ALGOR_set0(encoded->hashAlgorithm, OBJ_nid2obj(nid), V_ASN1_NULL, nullptr);
  for (const auto& [number, hash] : object.Hashes) {
    LDS_DG_HASH* entry = LDS_DG_HASH_new();
    ASN1_INTEGER_set(entry->number, number);
    ASN1_OCTET_STRING_set(entry->value, hash.data(), static_cast<int>(hash.size()));
    sk_LDS_DG_HASH_push(encoded->hashes, entry);
  }
  if (object.Version == 1) {
    encoded->versionInfo = LDS_VERSION_INFO_new();
    ASN1_STRING_set(encoded->versionInfo->ldsVersion, object.LdsVersion.data(),
                    static_cast<int>(object.LdsVersion.size()));
    ASN1_STRING_set(encoded->versionInfo->unicodeVersion, object.UnicodeVersion.data(),
                    static_cast<int>(object.UnicodeVersion.size()));
  }
  unsigned char* der = nullptr;
  const int length = i2d_LDS_SECURITY_OBJECT(encoded.get(), &der);
  if (length <= 0) throw std::runtime_error("the LDS security object could not be encoded");
  std::vector<std::uint8_t> bytes(der, der + length);
  OPENSSL_free(der);
  return bytes;
}
