#include "passiveauth/PassiveAuthentication.h"

#include <openssl/err.h>

#include "passiveauth/CscaLine.h"
#include "passiveauth/DataGroupHashes.h"
#include "passiveauth/IssuingStateCheck.h"
#include "passiveauth/SodParser.h"
#include "passiveauth/VerdictReport.h"
#include "trust/CertificateText.h"
#include "trust/CmsSignature.h"

namespace {

std::string SodSummary(std::size_t size, const TSecurityObject& object) {
  std::string groups;
  for (const auto& [number, hash] : object.Hashes) groups += (groups.empty() ? "DG" : ", DG") + std::to_string(number);
  std::string version = "v" + std::to_string(object.Version);
  if (object.Version == 1) version += " (LDS " + object.LdsVersion + ", Unicode " + object.UnicodeVersion + ")";
  return "EF.SOD: " + std::to_string(size) + " bytes, LDS security object " + version + ", " + object.HashAlgorithm +
         ", " + std::to_string(object.Hashes.size()) + " hashes (" + groups + ")";
}

std::string SignerSummary(X509* signer) {
  const std::string country = NameCountry(X509_get_subject_name(signer));
  return "Document signer: " + NameText(X509_get_subject_name(signer)) + ", country " +
         (country.empty() ? "not given" : country) + ", valid " + DateText(X509_get0_notBefore(signer)) + " to " +
         DateText(X509_get0_notAfter(signer));
}

// The chain's line; returns the CSCA reached when trusted.
TX509Ptr ReportChain(X509* signer, const TTrustStore& store, std::time_t at, const TChainSettings& settings,
                     TVerdictReport& report) {
  TCscaLine csca = DescribeCsca(signer, store, at, settings);
  switch (csca.Finding) {
    case TCscaFinding::Trusted:
      report.Info(std::move(csca.Text));
      break;
    case TCscaFinding::Missing:
      report.Missing(std::move(csca.Text), std::move(csca.Reason));
      break;
    case TCscaFinding::Failure:
      report.Failure(std::move(csca.Text), std::move(csca.Reason));
      break;
  }
  return std::move(csca.Csca);
}

void VerifySod(const TReadingEvidence& evidence, const TTrustStore& store, const TChainSettings& settings,
               TVerdictReport& report) {
  auto parsed = ParseSod(evidence.Sod);
  if (const auto* problem = std::get_if<TSodProblem>(&parsed)) {
    report.Failure("EF.SOD: unreadable, " + problem->Text + " (" + std::to_string(evidence.Sod.size()) + " bytes)",
                   "EF.SOD malformed");
    return;
  }
  TParsedSod& sod = std::get<TParsedSod>(parsed);
  report.Info(SodSummary(evidence.Sod.size(), sod.SecurityObject));
  std::set<int> listed;
  for (const auto& [number, hash] : sod.SecurityObject.Hashes) listed.insert(number);
  report.Listed(std::move(listed));

  const TCmsSignatureCheck signature = CheckCmsSignature(sod.Cms.get(), store.DocumentSigners(), sod.CmsBytes);
  TX509Ptr csca;
  if (signature.SignerCount != 1) {
    // Which signer would be the issuing state's is not for the reader to pick.
    report.Failure("SOD signature: INVALID (" + signature.Problem + ")", "SOD signature invalid");
    report.Info("Document signer: not checked (no single signer)");
    report.Info("CSCA: not checked (no single signer)");
  } else if (!signature.Signer) {
    report.Missing("Document signer: certificate neither in EF.SOD nor in the trust store",
                   "document signer certificate not available");
  } else {
    if (signature.Valid)
      report.Info("SOD signature: valid (" + signature.Algorithm +
                  (signature.AsReceived ? "; over the signed attributes as received, which are not DER" : "") + ")");
    else
      report.Failure("SOD signature: INVALID (" + signature.Algorithm + ": " + signature.Problem + ")",
                     "SOD signature invalid");
    report.Info(SignerSummary(signature.Signer.get()));
    csca = ReportChain(signature.Signer.get(), store, std::chrono::system_clock::to_time_t(evidence.ReadAt), settings,
                       report);
  }
  report.SodChecksDone();
  CheckDataGroupHashes(evidence.DataGroups, sod.SecurityObject, report);
  CheckIssuingState(evidence.IssuingState, signature.Signer.get(), csca.get(), report);
}

}  // namespace

TPaResult VerifyPassiveAuthentication(const TReadingEvidence& evidence, const TTrustStore& store,
                                      const TChainSettings& settings) {
  TVerdictReport report;
  switch (evidence.SodPresence) {
    case TSodPresence::Absent:
      report.Missing("EF.SOD: not on the chip", "no EF.SOD on the chip");
      break;
    case TSodPresence::CutOff:
      report.Missing("EF.SOD: cut off after " + std::to_string(evidence.Sod.size()) + " bytes (the card left)",
                     "EF.SOD not read whole");
      break;
    case TSodPresence::Unreadable:
      report.Missing("EF.SOD: not read (the card left or the chip refused it)", "EF.SOD not read");
      break;
    case TSodPresence::Read:
      VerifySod(evidence, store, settings, report);
      break;
  }
  ERR_clear_error();
  return report.Finish();
}
