#include "trust/ReceivedSignedAttributes.h"

#include <openssl/asn1.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/rsa.h>

#include "crypto/OpenSslPointers.h"

namespace {

// One definite-length TLV: its tag, class, and where its value and the whole
// element lie in the bytes.
struct TElement {
  int Tag = 0;
  int Class = 0;
  std::span<const std::uint8_t> Value;
  std::span<const std::uint8_t> Whole;
};

std::optional<TElement> ReadElement(std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) return std::nullopt;
  const unsigned char* cursor = bytes.data();
  long length = 0;
  TElement element;
  const int flags = ASN1_get_object(&cursor, &length, &element.Tag, &element.Class, static_cast<long>(bytes.size()));
  if ((flags & 0x80) != 0 || (flags & 0x01) != 0) return std::nullopt;  // an error or an indefinite length
  const auto header = static_cast<std::size_t>(cursor - bytes.data());
  element.Value = bytes.subspan(header, static_cast<std::size_t>(length));
  element.Whole = bytes.first(header + static_cast<std::size_t>(length));
  return element;
}

// The elements inside a constructed value, in order.
std::vector<TElement> Children(std::span<const std::uint8_t> value) {
  std::vector<TElement> children;
  while (!value.empty()) {
    const auto element = ReadElement(value);
    if (!element) return {};
    children.push_back(*element);
    value = value.subspan(element->Whole.size());
  }
  return children;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ReceivedSignedAttributes(std::span<const std::uint8_t> contentInfo) {
  // ContentInfo { contentType, [0] EXPLICIT SignedData }
  const auto info = ReadElement(contentInfo);
  if (!info) return std::nullopt;
  const auto infoParts = Children(info->Value);
  if (infoParts.size() < 2) return std::nullopt;
  const auto signedData = ReadElement(infoParts[1].Value);
  if (!signedData) return std::nullopt;
  // SignedData { version, digestAlgorithms, encapContentInfo, [0] certificates, [1] crls, signerInfos }
  const auto parts = Children(signedData->Value);
  if (parts.empty() || parts.back().Tag != V_ASN1_SET) return std::nullopt;
  const auto signerInfos = Children(parts.back().Value);
  if (signerInfos.size() != 1) return std::nullopt;
  // SignerInfo { version, sid, digestAlgorithm, [0] IMPLICIT signedAttrs, ... }
  for (const TElement& field : Children(signerInfos[0].Value)) {
    if (field.Class != V_ASN1_CONTEXT_SPECIFIC || field.Tag != 0) continue;
    std::vector<std::uint8_t> attributes(field.Whole.begin(), field.Whole.end());
    attributes[0] = 0x31;  // SET OF, constructed
    return attributes;
  }
  return std::nullopt;
}

bool SignatureVerifiesOver(CMS_SignerInfo* signer, X509* certificate, std::span<const std::uint8_t> attributes) {
  X509_ALGOR* digestAlgorithm = nullptr;
  X509_ALGOR* signatureAlgorithm = nullptr;
  CMS_SignerInfo_get0_algs(signer, nullptr, nullptr, &digestAlgorithm, &signatureAlgorithm);
  const ASN1_OBJECT* digestObject = nullptr;
  const ASN1_OBJECT* signatureObject = nullptr;
  X509_ALGOR_get0(&digestObject, nullptr, nullptr, digestAlgorithm);
  X509_ALGOR_get0(&signatureObject, nullptr, nullptr, signatureAlgorithm);
  const EVP_MD* md = EVP_get_digestbyobj(digestObject);
  EVP_PKEY* key = X509_get0_pubkey(certificate);
  const ASN1_OCTET_STRING* signature = CMS_SignerInfo_get0_signature(signer);
  if (md == nullptr || key == nullptr || signature == nullptr) return false;

  TEvpMdCtxPtr context(EVP_MD_CTX_new());
  EVP_PKEY_CTX* keyContext = nullptr;
  if (!context || EVP_DigestVerifyInit(context.get(), &keyContext, md, nullptr, key) != 1) return false;
  if (OBJ_obj2nid(signatureObject) == NID_rsassaPss &&
      (EVP_PKEY_CTX_set_rsa_padding(keyContext, RSA_PKCS1_PSS_PADDING) != 1 ||
       EVP_PKEY_CTX_set_rsa_pss_saltlen(keyContext, RSA_PSS_SALTLEN_AUTO) != 1))
    return false;
  return EVP_DigestVerify(context.get(), ASN1_STRING_get0_data(signature),
                          static_cast<std::size_t>(ASN1_STRING_length(signature)), attributes.data(),
                          attributes.size()) == 1;
}
