#include "trust/MasterList.h"

#include <openssl/asn1t.h>

#include "crypto/OpenSslPointers.h"
#include "trust/CertificateText.h"
#include "trust/CmsSignature.h"
#include "trust/TrustAnchor.h"

extern "C" {
typedef struct CscaMasterList_st {
  ASN1_INTEGER* version;
  STACK_OF(X509) * certificates;
} CSCA_MASTER_LIST;

DECLARE_ASN1_FUNCTIONS(CSCA_MASTER_LIST)

ASN1_SEQUENCE(CSCA_MASTER_LIST) =
    {
        ASN1_SIMPLE(CSCA_MASTER_LIST, version, ASN1_INTEGER),
        ASN1_SET_OF(CSCA_MASTER_LIST, certificates, X509),
} ASN1_SEQUENCE_END(CSCA_MASTER_LIST)

        IMPLEMENT_ASN1_FUNCTIONS(CSCA_MASTER_LIST)
}

namespace {

constexpr const char* kMasterListOid = "2.23.136.1.1.2";

// The type is this file's own ASN.1 template, so its owner is named here.
using TMasterListPtr = TOpenSslPtr<CSCA_MASTER_LIST, CSCA_MASTER_LIST_free>;

// The listed certificate of the signer's country whose key signed the signer's certificate.
std::string CertifiedBy(X509* signer, const std::vector<TX509Ptr>& listed) {
  std::vector<X509*> candidates;
  for (const auto& candidate : listed) candidates.push_back(candidate.get());
  X509* certifier = CertifyingCsca(signer, candidates);
  return certifier != nullptr ? NameText(X509_get_subject_name(certifier)) : std::string();
}

}  // namespace

TMasterList ReadMasterList(std::span<const std::uint8_t> der) {
  TMasterList list;
  const unsigned char* cursor = der.data();
  TCmsPtr cms(d2i_CMS_ContentInfo(nullptr, &cursor, static_cast<long>(der.size())));
  if (!cms) {
    list.Problem = "not a CMS structure";
    return list;
  }
  const auto content = SignedContent(cms.get(), kMasterListOid);
  if (const auto* problem = std::get_if<std::string>(&content)) {
    list.Problem = *problem;
    return list;
  }
  const auto bytes = std::get<std::span<const std::uint8_t>>(content);
  const unsigned char* listCursor = bytes.data();
  TMasterListPtr decoded(d2i_CSCA_MASTER_LIST(nullptr, &listCursor, static_cast<long>(bytes.size())));
  if (!decoded) {
    list.Problem = "the CscaMasterList cannot be decoded";
    return list;
  }
  list.Readable = true;
  for (int i = 0; i < sk_X509_num(decoded->certificates); ++i)
    list.Certificates.push_back(ShareCertificate(sk_X509_value(decoded->certificates, i)));

  const TCmsSignatureCheck signature = CheckCmsSignature(cms.get());
  list.SignatureValid = signature.Valid;
  list.SignatureText = signature.Valid ? "signature valid" : "signature INVALID (" + signature.Problem + ")";
  if (signature.Signer) {
    list.Signer = NameText(X509_get_subject_name(signature.Signer.get()));
    list.SignerCertifiedBy = CertifiedBy(signature.Signer.get(), list.Certificates);
    list.SignerCertificate = ShareCertificate(signature.Signer.get());
  }
  return list;
}
