#include "passiveauth/CscaLine.h"

#include "trust/CertificateText.h"

TCscaLine DescribeCsca(X509* signer, const TTrustStore& store, std::time_t at, const TChainSettings& settings) {
  TChainCheck chain = CheckDocumentSigner(signer, store.Anchors(), store.Crls(), at, store.UnusableCrls(), settings);
  switch (chain.Status) {
    case TChainStatus::Trusted:
      return {"CSCA: trusted (" + NameText(X509_get_subject_name(chain.Csca.get())) + "; " + chain.Revocation + ")",
              TCscaFinding::Trusted,
              {},
              std::move(chain.Csca)};
    case TChainStatus::UnknownCsca:
      return {"CSCA: not in the trust store (issuer " + NameText(X509_get_issuer_name(signer)) + ")",
              TCscaFinding::Missing, "CSCA not in the trust store", nullptr};
    case TChainStatus::Expired:
      return {"CSCA: EXPIRED (" + chain.Detail + ")", TCscaFinding::Failure, "certificate expired", nullptr};
    case TChainStatus::Revoked:
      return {"CSCA: REVOKED (" + chain.Detail + ")", TCscaFinding::Failure, "document signer revoked", nullptr};
    case TChainStatus::Invalid:
      break;
  }
  return {"CSCA: chain INVALID (" + chain.Detail + ")", TCscaFinding::Failure, "certificate chain invalid", nullptr};
}
