#include "trust/CmsSignature.h"

#include <algorithm>
#include <map>
#include <vector>

#include <openssl/asn1.h>
#include <openssl/objects.h>

#include "trust/AcceptedDigests.h"
#include "trust/ReceivedSignedAttributes.h"

namespace {

// The signer by issuer and serial number or subject key identifier; failing
// that, by serial number alone, as some signers write the issuer's name with
// its attributes in another order than the certificate does.
X509* FindSignerAmong(CMS_SignerInfo* signer, std::span<X509* const> certificates) {
  for (X509* certificate : certificates)
    if (CMS_SignerInfo_cert_cmp(signer, certificate) == 0) return certificate;
  ASN1_OCTET_STRING* keyId = nullptr;
  X509_NAME* issuer = nullptr;
  ASN1_INTEGER* serial = nullptr;
  if (CMS_SignerInfo_get0_signer_id(signer, &keyId, &issuer, &serial) != 1 || serial == nullptr) return nullptr;
  X509* found = nullptr;
  for (X509* certificate : certificates) {
    if (ASN1_INTEGER_cmp(X509_get0_serialNumber(certificate), serial) != 0) continue;
    if (found != nullptr && X509_cmp(found, certificate) != 0) return nullptr;  // ambiguous
    found = certificate;
  }
  return found;
}

// EF.SOD's own certificates first: a store entry never stands in for the
// signer the document carries.
X509* FindSigner(CMS_SignerInfo* signer, STACK_OF(X509) * embedded, std::span<X509* const> candidates) {
  std::vector<X509*> own;
  for (int i = 0; i < sk_X509_num(embedded); ++i) own.push_back(sk_X509_value(embedded, i));
  if (X509* found = FindSignerAmong(signer, own)) return found;
  return FindSignerAmong(signer, candidates);
}

std::string DigestName(CMS_SignerInfo* signer) {
  X509_ALGOR* digest = nullptr;
  CMS_SignerInfo_get0_algs(signer, nullptr, nullptr, &digest, nullptr);
  const ASN1_OBJECT* digestObject = nullptr;
  X509_ALGOR_get0(&digestObject, nullptr, nullptr, digest);
  const int nid = OBJ_obj2nid(digestObject);
  if (nid != NID_undef) return OBJ_nid2sn(nid);
  char oid[80] = {};
  OBJ_obj2txt(oid, sizeof oid, digestObject, 1);
  return oid;
}

// The SignerInfo names either the key type (rsaEncryption, id-ecPublicKey)
// or a combined algorithm (ecdsa-with-SHA256, sha256WithRSAEncryption); both
// are shown by the key's signature scheme and the digest.
std::string AlgorithmName(CMS_SignerInfo* signer) {
  static const std::map<int, std::string> kSchemes{
      {NID_rsaEncryption, "RSA PKCS#1 v1.5"},
      {NID_rsassaPss, "RSASSA-PSS"},
      {NID_X9_62_id_ecPublicKey, "ECDSA"},
  };
  X509_ALGOR* digest = nullptr;
  X509_ALGOR* signature = nullptr;
  CMS_SignerInfo_get0_algs(signer, nullptr, nullptr, &digest, &signature);
  const ASN1_OBJECT* digestObject = nullptr;
  const ASN1_OBJECT* signatureObject = nullptr;
  X509_ALGOR_get0(&digestObject, nullptr, nullptr, digest);
  X509_ALGOR_get0(&signatureObject, nullptr, nullptr, signature);
  int keyNid = OBJ_obj2nid(signatureObject);
  int combinedDigest = NID_undef;
  OBJ_find_sigid_algs(keyNid, &combinedDigest, &keyNid);
  const auto scheme = kSchemes.find(keyNid);
  return (scheme != kSchemes.end() ? scheme->second : std::string(OBJ_nid2sn(keyNid))) + " with " +
         OBJ_nid2sn(OBJ_obj2nid(digestObject));
}

bool ContentTypeAttributeMatches(CMS_ContentInfo* cms, CMS_SignerInfo* signer) {
  const int index = CMS_signed_get_attr_by_NID(signer, NID_pkcs9_contentType, -1);
  if (index < 0) return false;
  const X509_ATTRIBUTE* attribute = CMS_signed_get_attr(signer, index);
  const ASN1_TYPE* value = X509_ATTRIBUTE_get0_type(const_cast<X509_ATTRIBUTE*>(attribute), 0);
  return value != nullptr && value->type == V_ASN1_OBJECT &&
         OBJ_cmp(value->value.object, CMS_get0_eContentType(cms)) == 0;
}

// Runs the content through the digest the SignerInfo names and compares it
// with the messageDigest attribute.
bool MessageDigestMatches(CMS_ContentInfo* cms, CMS_SignerInfo* signer) {
  TBioPtr content(CMS_dataInit(cms, nullptr));
  if (!content) return false;
  char buffer[4096];
  while (BIO_read(content.get(), buffer, sizeof buffer) > 0) {
  }
  return CMS_SignerInfo_verify_content(signer, content.get()) == 1;
}

}  // namespace

TCmsSignatureCheck CheckCmsSignature(CMS_ContentInfo* cms, std::span<X509* const> candidates,
                                     std::span<const std::uint8_t> received) {
  TCmsSignatureCheck check;
  STACK_OF(CMS_SignerInfo)* signers = CMS_get0_SignerInfos(cms);
  check.SignerCount = std::max(sk_CMS_SignerInfo_num(signers), 0);
  if (check.SignerCount != 1) {
    check.Problem = "expected one signer, found " + std::to_string(check.SignerCount);
    return check;
  }
  CMS_SignerInfo* signer = sk_CMS_SignerInfo_value(signers, 0);
  check.Algorithm = AlgorithmName(signer);
  STACK_OF(X509)* embedded = CMS_get1_certs(cms);
  X509* found = FindSigner(signer, embedded, candidates);
  if (found) check.Signer = ShareCertificate(found);
  sk_X509_pop_free(embedded, X509_free);
  if (!check.Signer) {
    check.Problem = "no certificate of the signer";
    return check;
  }
  CMS_SignerInfo_set1_signer_cert(signer, check.Signer.get());
  if (const std::string digest = DigestName(signer); !IsAcceptedDigest(digest)) {
    check.Problem = "unsupported digest " + digest;
  } else if (CMS_signed_get_attr_count(signer) <= 0) {
    check.Problem = "no signed attributes";
  } else if (!ContentTypeAttributeMatches(cms, signer)) {
    check.Problem = "the contentType attribute does not name the content";
  } else if (!MessageDigestMatches(cms, signer)) {
    check.Problem = "the messageDigest attribute does not match the content";
  } else if (CMS_SignerInfo_verify(signer) == 1) {
    check.Valid = true;
  } else if (const auto attributes = ReceivedSignedAttributes(received);
             attributes && SignatureVerifiesOver(signer, check.Signer.get(), *attributes)) {
    check.Valid = true;
    check.AsReceived = true;
  } else {
    check.Problem = "the signature does not verify with the signer's key";
  }
  return check;
}

std::variant<std::span<const std::uint8_t>, std::string> SignedContent(CMS_ContentInfo* cms, const char* expectedOid) {
  if (OBJ_obj2nid(CMS_get0_type(cms)) != NID_pkcs7_signed) return std::string("not a CMS SignedData");
  char oid[80] = {};
  OBJ_obj2txt(oid, sizeof oid, CMS_get0_eContentType(cms), 1);
  if (std::string(oid) != expectedOid) return "eContentType " + std::string(oid) + " instead of " + expectedOid;
  ASN1_OCTET_STRING** content = CMS_get0_content(cms);
  if (content == nullptr || *content == nullptr) return std::string("no content in the SignedData");
  return std::span<const std::uint8_t>(ASN1_STRING_get0_data(*content),
                                       static_cast<std::size_t>(ASN1_STRING_length(*content)));
}
