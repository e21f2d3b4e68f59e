#include "passiveauth/ChainCheck.h"

#include <map>

#include <openssl/core_names.h>

#include "passiveauth/RevocationCheck.h"
#include "trust/CertificateText.h"

namespace {

// Explicit EC parameters are accepted exactly when OpenSSL found them equal
// to a named curve while decoding the key (it then knows the curve's name).
int AcceptIcaoCertificates(int ok, X509_STORE_CTX* context) {
  if (ok) return ok;
  return X509_STORE_CTX_get_error(context) == X509_V_ERR_EC_KEY_EXPLICIT_PARAMS &&
                 KeyOnNamedCurve(X509_STORE_CTX_get_current_cert(context))
             ? 1
             : 0;
}

TChainStatus StatusOf(int error) {
  static const std::map<int, TChainStatus> statuses{
      {X509_V_OK, TChainStatus::Trusted},
      {X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY, TChainStatus::UnknownCsca},
      {X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT, TChainStatus::UnknownCsca},
      {X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE, TChainStatus::UnknownCsca},
      {X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT, TChainStatus::UnknownCsca},
      {X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN, TChainStatus::UnknownCsca},
      {X509_V_ERR_CERT_HAS_EXPIRED, TChainStatus::Expired},
      {X509_V_ERR_CERT_NOT_YET_VALID, TChainStatus::Expired},
      {X509_V_ERR_CERT_REVOKED, TChainStatus::Revoked},
  };
  const auto found = statuses.find(error);
  return found == statuses.end() ? TChainStatus::Invalid : found->second;
}

std::string Describe(int error, int depth, X509* certificate) {
  const std::string which = depth == 0 ? "document signer certificate" : "CSCA certificate";
  switch (error) {
    case X509_V_ERR_CERT_HAS_EXPIRED:
      return "the " + which + " expired on " + DateText(X509_get0_notAfter(certificate));
    case X509_V_ERR_CERT_NOT_YET_VALID:
      return "the " + which + " is valid only from " + DateText(X509_get0_notBefore(certificate));
    case X509_V_ERR_CERT_REVOKED:
      return "the " + which + " is on its CSCA's CRL";
    default:
      return std::string(X509_verify_cert_error_string(error)) + " (error " + std::to_string(error) + ", " + which +
             ")";
  }
}

}  // namespace

bool KeyOnNamedCurve(X509* certificate) {
  EVP_PKEY* key = X509_get0_pubkey(certificate);
  if (key == nullptr) return false;
  if (EVP_PKEY_get_base_id(key) != EVP_PKEY_EC) return true;
  char name[64] = {};
  std::size_t length = 0;
  return EVP_PKEY_get_utf8_string_param(key, OSSL_PKEY_PARAM_GROUP_NAME, name, sizeof name, &length) == 1 && length > 0;
}

TChainCheck CheckDocumentSigner(X509* documentSigner, X509_STORE* anchors, std::span<X509_CRL* const> crls,
                                std::time_t at, const std::map<std::string, std::string>& unusableCrls,
                                const TChainSettings& settings) {
  TChainCheck check;
  TX509StoreCtxPtr context(X509_STORE_CTX_new());
  if (!context || X509_STORE_CTX_init(context.get(), anchors, documentSigner, nullptr) != 1) {
    check.Detail = "the verification could not be set up";
    return check;
  }
  X509_STORE_CTX_set_time(context.get(), 0, at);
  unsigned long flags = 0;
  if (settings.PartialChain) flags |= X509_V_FLAG_PARTIAL_CHAIN;
  X509_STORE_CTX_set_flags(context.get(), flags);
  if (settings.AnyPurpose) X509_STORE_CTX_set_purpose(context.get(), X509_PURPOSE_ANY);
  if (settings.AcceptNamedExplicitCurves) X509_STORE_CTX_set_verify_cb(context.get(), AcceptIcaoCertificates);

  const bool trusted = X509_verify_cert(context.get()) == 1;
  check.Error = trusted ? X509_V_OK : X509_STORE_CTX_get_error(context.get());
  check.Status = trusted ? TChainStatus::Trusted : StatusOf(check.Error);
  if (trusted) {
    // Revocation is looked up apart from OpenSSL's chain: its CRL check wants
    // the CRL signed by the very key that signed the certificate, and fails
    // the chain on any CRL problem.
    const TRevocation revocation = CheckRevocation(documentSigner, crls, unusableCrls, at);
    if (revocation.Revoked) {
      check.Status = TChainStatus::Revoked;
      check.Error = X509_V_ERR_CERT_REVOKED;
      check.Detail = revocation.Text;
      return check;
    }
    check.Revocation = revocation.Text;
    STACK_OF(X509)* chain = X509_STORE_CTX_get0_chain(context.get());
    check.Csca = ShareCertificate(sk_X509_value(chain, sk_X509_num(chain) - 1));
  } else {
    X509* current = X509_STORE_CTX_get_current_cert(context.get());
    check.Detail = Describe(check.Error, X509_STORE_CTX_get_error_depth(context.get()),
                            current != nullptr ? current : documentSigner);
  }
  return check;
}
