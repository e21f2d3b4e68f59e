#include "support/TestPki.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/param_build.h>
#include <openssl/rsa.h>
#include <openssl/x509v3.h>

#include "passiveauth/SecurityObject.h"

namespace testpki {

namespace {

void Require(bool ok, const char* what) {
  if (!ok) throw std::runtime_error(std::string("test PKI: ") + what);
}

void AddExtension(X509* certificate, X509* issuer, int nid, const char* value) {
  X509V3_CTX context;
  X509V3_set_ctx_nodb(&context);
  X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
  X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
  Require(extension != nullptr, "extension");
  X509_add_ext(certificate, extension, -1);
  X509_EXTENSION_free(extension);
}

void SetName(X509_NAME* name, const std::string& country, const std::string& commonName) {
  X509_NAME_add_entry_by_txt(name, "C", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(country.c_str()), -1, -1,
                             0);
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(commonName.c_str()), -1,
                             -1, 0);
}

TBytes WrapSod(const TBytes& cms) {
  const int total = ASN1_object_size(1, static_cast<int>(cms.size()), 23);
  TBytes sod(static_cast<std::size_t>(total));
  unsigned char* cursor = sod.data();
  ASN1_put_object(&cursor, 1, static_cast<int>(cms.size()), 23, V_ASN1_APPLICATION);
  std::copy(cms.begin(), cms.end(), cursor);
  return sod;
}

TBytes SignedData(const TBytes& content, const char* contentType,
                  const std::vector<std::pair<X509*, EVP_PKEY*>>& signers, bool embedSigner, const EVP_MD* md) {
  TBioPtr in(BIO_new_mem_buf(content.data(), static_cast<int>(content.size())));
  TCmsPtr cms(CMS_sign(nullptr, nullptr, nullptr, nullptr, CMS_PARTIAL | CMS_BINARY));
  Require(cms != nullptr, "CMS_sign");
  ASN1_OBJECT* type = OBJ_txt2obj(contentType, 1);
  CMS_set1_eContentType(cms.get(), type);
  ASN1_OBJECT_free(type);
  for (const auto& [signer, key] : signers)
    Require(CMS_add1_signer(cms.get(), signer, key, md,
                            CMS_BINARY | CMS_NOSMIMECAP | (embedSigner ? 0 : CMS_NOCERTS)) != nullptr,
            "CMS_add1_signer");
  Require(CMS_final(cms.get(), in.get(), nullptr, CMS_BINARY) == 1, "CMS_final");
  unsigned char* der = nullptr;
  const int length = i2d_CMS_ContentInfo(cms.get(), &der);
  TBytes bytes(der, der + length);
  OPENSSL_free(der);
  return bytes;
}

}  // namespace

TEvpPkeyPtr NewEcKey(const char* curve) { return TEvpPkeyPtr(EVP_EC_gen(curve)); }

TEvpPkeyPtr NewRsaKey(int bits) { return TEvpPkeyPtr(EVP_RSA_gen(static_cast<unsigned>(bits))); }

TEvpPkeyPtr NewExplicitP256Key(bool otherGenerator) {
  TEcGroupPtr group(EC_GROUP_new_by_curve_name(NID_X9_62_prime256v1));
  TBignumPtr p(BN_new()), a(BN_new()), b(BN_new()), order(BN_new()), cofactor(BN_new());
  EC_GROUP_get_curve(group.get(), p.get(), a.get(), b.get(), nullptr);
  EC_GROUP_get_order(group.get(), order.get(), nullptr);
  EC_GROUP_get_cofactor(group.get(), cofactor.get(), nullptr);
  TEcPointPtr generator(EC_POINT_dup(EC_GROUP_get0_generator(group.get()), group.get()));
  if (otherGenerator) EC_POINT_dbl(group.get(), generator.get(), generator.get(), nullptr);
  unsigned char point[65];
  const std::size_t pointLength =
      EC_POINT_point2oct(group.get(), generator.get(), POINT_CONVERSION_UNCOMPRESSED, point, sizeof point, nullptr);

  TParamBuildPtr builder(OSSL_PARAM_BLD_new());
  OSSL_PARAM_BLD_push_utf8_string(builder.get(), OSSL_PKEY_PARAM_EC_FIELD_TYPE, SN_X9_62_prime_field, 0);
  OSSL_PARAM_BLD_push_BN(builder.get(), OSSL_PKEY_PARAM_EC_P, p.get());
  OSSL_PARAM_BLD_push_BN(builder.get(), OSSL_PKEY_PARAM_EC_A, a.get());
  OSSL_PARAM_BLD_push_BN(builder.get(), OSSL_PKEY_PARAM_EC_B, b.get());
  OSSL_PARAM_BLD_push_BN(builder.get(), OSSL_PKEY_PARAM_EC_ORDER, order.get());
  OSSL_PARAM_BLD_push_BN(builder.get(), OSSL_PKEY_PARAM_EC_COFACTOR, cofactor.get());
  OSSL_PARAM_BLD_push_octet_string(builder.get(), OSSL_PKEY_PARAM_EC_GENERATOR, point, pointLength);
  OSSL_PARAM_BLD_push_utf8_string(builder.get(), OSSL_PKEY_PARAM_EC_ENCODING, OSSL_PKEY_EC_ENCODING_EXPLICIT, 0);
  TParamsPtr params(OSSL_PARAM_BLD_to_param(builder.get()));

  TEvpPkeyCtxPtr fromData(EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr));
  EVP_PKEY* parameters = nullptr;
  Require(EVP_PKEY_fromdata_init(fromData.get()) == 1 &&
              EVP_PKEY_fromdata(fromData.get(), &parameters, EVP_PKEY_KEY_PARAMETERS, params.get()) == 1,
          "explicit EC parameters");
  TEvpPkeyPtr parameterKey(parameters);
  TEvpPkeyCtxPtr generate(EVP_PKEY_CTX_new_from_pkey(nullptr, parameterKey.get(), nullptr));
  EVP_PKEY* key = nullptr;
  Require(EVP_PKEY_keygen_init(generate.get()) == 1 && EVP_PKEY_keygen(generate.get(), &key) == 1, "explicit EC key");
  return TEvpPkeyPtr(key);
}

TX509Ptr MakeCertificate(const TCertificateFields& fields, EVP_PKEY* subjectKey, X509* issuer, EVP_PKEY* issuerKey) {
  TX509Ptr certificate(X509_new());
  X509_set_version(certificate.get(), X509_VERSION_3);
  ASN1_INTEGER_set(X509_get_serialNumber(certificate.get()), fields.Serial);
  SetName(X509_get_subject_name(certificate.get()), fields.Country, fields.CommonName);
  X509_set_issuer_name(certificate.get(),
                       issuer ? X509_get_subject_name(issuer) : X509_get_subject_name(certificate.get()));
  ASN1_TIME_set(X509_getm_notBefore(certificate.get()), fields.NotBefore);
  ASN1_TIME_set(X509_getm_notAfter(certificate.get()), fields.NotAfter);
  X509_set_pubkey(certificate.get(), subjectKey);
  X509* authority = issuer ? issuer : certificate.get();
  AddExtension(certificate.get(), authority, NID_subject_key_identifier, "hash");
  AddExtension(certificate.get(), authority, NID_authority_key_identifier, "keyid:always");
  AddExtension(certificate.get(), authority, NID_basic_constraints,
               fields.Ca ? "critical,CA:TRUE" : "critical,CA:FALSE");
  AddExtension(certificate.get(), authority, NID_key_usage,
               fields.Ca ? "critical,keyCertSign,cRLSign" : "critical,digitalSignature");
  Require(X509_sign(certificate.get(), issuerKey, EVP_sha256()) > 0, "X509_sign");
  return certificate;
}

TX509CrlPtr MakeCrl(X509* issuer, EVP_PKEY* issuerKey, const std::vector<X509*>& revoked, std::time_t at) {
  TX509CrlPtr crl(X509_CRL_new());
  X509_CRL_set_version(crl.get(), 1);
  X509_CRL_set_issuer_name(crl.get(), X509_get_subject_name(issuer));
  ASN1_TIME* time = ASN1_TIME_set(nullptr, at);
  X509_CRL_set1_lastUpdate(crl.get(), time);
  ASN1_TIME_set(time, at + 90 * 86400);
  X509_CRL_set1_nextUpdate(crl.get(), time);
  for (X509* certificate : revoked) {
    X509_REVOKED* entry = X509_REVOKED_new();
    X509_REVOKED_set_serialNumber(entry, X509_get_serialNumber(certificate));
    ASN1_TIME_set(time, at - 86400);
    X509_REVOKED_set_revocationDate(entry, time);
    X509_CRL_add0_revoked(crl.get(), entry);
  }
  ASN1_TIME_free(time);
  X509_CRL_sort(crl.get());
  Require(X509_CRL_sign(crl.get(), issuerKey, EVP_sha256()) > 0, "X509_CRL_sign");
  return crl;
}

TBytes MakeSod(const std::map<int, TBytes>& dataGroups, X509* signer, EVP_PKEY* signerKey, bool embedSigner,
               const char* hash) {
  return MakeSodSignedBy(dataGroups, {{signer, signerKey}}, embedSigner, hash);
}

TBytes MakeSodSignedBy(const std::map<int, TBytes>& dataGroups, const std::vector<std::pair<X509*, EVP_PKEY*>>& signers,
                       bool embedSigner, const char* hash, const char* signatureHash) {
  TSecurityObject object;
  object.HashAlgorithm = hash;
  const TEvpMdPtr md(EVP_MD_fetch(nullptr, hash, nullptr));
  for (const auto& [number, bytes] : dataGroups) {
    TBytes digest(EVP_MAX_MD_SIZE);
    unsigned int length = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest.data(), &length, md.get(), nullptr);
    digest.resize(length);
    object.Hashes[number] = digest;
  }
  const TEvpMdPtr signatureMd(EVP_MD_fetch(nullptr, signatureHash != nullptr ? signatureHash : hash, nullptr));
  return WrapSod(SignedData(EncodeSecurityObject(object), "2.23.136.1.1.1", signers, embedSigner, signatureMd.get()));
}

TBytes MakeMasterList(const std::vector<X509*>& certificates, X509* signer, EVP_PKEY* signerKey) {
  // CscaMasterList ::= SEQUENCE { version INTEGER (0), certList SET OF Certificate }
  TBytes certificateSet;
  for (X509* certificate : certificates) {
    const TBytes der = Der(certificate);
    certificateSet.insert(certificateSet.end(), der.begin(), der.end());
  }
  const auto wrap = [](int tag, const TBytes& body) {
    TBytes out(static_cast<std::size_t>(ASN1_object_size(1, static_cast<int>(body.size()), tag)));
    unsigned char* cursor = out.data();
    ASN1_put_object(&cursor, 1, static_cast<int>(body.size()), tag, V_ASN1_UNIVERSAL);
    std::copy(body.begin(), body.end(), cursor);
    return out;
  };
  TBytes sequence = {0x02, 0x01, 0x00};
  const TBytes set = wrap(V_ASN1_SET, certificateSet);
  sequence.insert(sequence.end(), set.begin(), set.end());
  return SignedData(wrap(V_ASN1_SEQUENCE, sequence), "2.23.136.1.1.2", {{signer, signerKey}}, true, EVP_sha256());
}

TBytes Der(X509* certificate) {
  unsigned char* der = nullptr;
  const int length = i2d_X509(certificate, &der);
  TBytes bytes(der, der + length);
  OPENSSL_free(der);
  return bytes;
}

TBytes Der(X509_CRL* crl) {
  unsigned char* der = nullptr;
  const int length = i2d_X509_CRL(crl, &der);
  TBytes bytes(der, der + length);
  OPENSSL_free(der);
  return bytes;
}

std::string LdifValue(const std::string& attribute, const TBytes& der) {
  std::string base64(4 * ((der.size() + 2) / 3) + 1, '\0');
  base64.resize(static_cast<std::size_t>(
      EVP_EncodeBlock(reinterpret_cast<unsigned char*>(base64.data()), der.data(), static_cast<int>(der.size()))));
  const std::string line = attribute + ":: " + base64;
  std::string folded = line.substr(0, 76);
  for (std::size_t at = 76; at < line.size(); at += 75) folded += "\n " + line.substr(at, 75);
  return folded + "\n";
}

std::time_t Utc(int year, int month, int day) {
  tm parts{};
  parts.tm_year = year - 1900;
  parts.tm_mon = month - 1;
  parts.tm_mday = day;
  return timegm(&parts);
}

void WriteFile(const std::filesystem::path& file, const TBytes& bytes) {
  std::filesystem::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

TBytes ReadFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return TBytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool FlipInside(TBytes& haystack, const TBytes& needle) {
  const auto found = std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end());
  if (found == haystack.end() || needle.empty()) return false;
  *(found + static_cast<std::ptrdiff_t>(needle.size()) - 1) ^= 0x01;
  return true;
}

}  // namespace testpki
