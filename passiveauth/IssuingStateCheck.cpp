#include "passiveauth/IssuingStateCheck.h"

#include "passiveauth/CountryCodes.h"
#include "trust/CertificateText.h"

void CheckIssuingState(const std::string& issuingState, X509* documentSigner, X509* csca, TVerdictReport& report) {
  if (issuingState.empty()) {
    report.Info("Issuing state: not checked (no DG1)");
    return;
  }
  const auto country = TwoLetterCountry(issuingState);
  if (!country) {
    report.Info("Issuing state: not checked (" + issuingState + " has no two-letter country code)");
    return;
  }
  std::string seen;
  bool same = true;
  const auto compare = [&](X509* certificate, const char* role) {
    if (certificate == nullptr) return;
    const std::string certificateCountry = NameCountry(X509_get_subject_name(certificate));
    seen += std::string(", ") + role + " " + (certificateCountry.empty() ? "without C" : certificateCountry);
    same = same && certificateCountry == *country;
  };
  compare(documentSigner, "document signer");
  compare(csca, "CSCA");
  const std::string detail = "(DG1 " + issuingState + " = " + *country + seen + ")";
  if (documentSigner == nullptr && csca == nullptr)
    report.Info("Issuing state: not checked " + detail);
  else if (same)
    report.Info("Issuing state: match " + detail);
  else
    report.Failure("Issuing state: MISMATCH " + detail, "issuing state mismatch");
}
