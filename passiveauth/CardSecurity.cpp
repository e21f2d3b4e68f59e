#include "passiveauth/CardSecurity.h"

#include <openssl/err.h>

#include "passiveauth/CscaLine.h"
#include "passiveauth/SignedData.h"
#include "trust/CmsSignature.h"

namespace {

constexpr const char* kIdSecurityObject = "0.4.0.127.0.7.3.2.1";

struct TSignatureWords {
  std::string Text;  // what follows "signature "
  TPaVerdict Verdict;
  std::string Reason;
};

TCardSecurityCheck Unreadable(std::size_t size, const std::string& what) {
  return {{"EF.CardSecurity: " + std::to_string(size) + " bytes, unreadable, " + what, TPaLineKind::Failure},
          TPaVerdict::Failed,
          "malformed",
          std::nullopt};
}

// The worse of two verdicts: Failed over Incomplete over Passed.
TPaVerdict Worse(TPaVerdict a, TPaVerdict b) {
  const auto rank = [](TPaVerdict verdict) {
    return verdict == TPaVerdict::Failed ? 2 : verdict == TPaVerdict::Incomplete ? 1 : 0;
  };
  return rank(a) >= rank(b) ? a : b;
}

}  // namespace

TCardSecurityCheck VerifyCardSecurity(std::span<const std::uint8_t> file, const TTrustStore& store,
                                      std::chrono::system_clock::time_point at, const TChainSettings& settings) {
  const TReceivedCms received = DecodeReceivedCms(file);
  const auto finish = [](TCardSecurityCheck check) {
    ERR_clear_error();
    return check;
  };
  if (!received.Cms) return finish(Unreadable(file.size(), "no CMS structure"));
  if (received.CmsBytes.size() != file.size()) return finish(Unreadable(file.size(), "bytes after the CMS structure"));
  const auto content = SignedContent(received.Cms.get(), kIdSecurityObject);
  if (const auto* problem = std::get_if<std::string>(&content)) return finish(Unreadable(file.size(), *problem));
  std::optional<TSecurityInfos> infos = ParseSecurityInfos(std::get<std::span<const std::uint8_t>>(content));
  if (!infos) return finish(Unreadable(file.size(), "the SecurityInfos cannot be decoded"));

  const TCmsSignatureCheck signature =
      CheckCmsSignature(received.Cms.get(), store.DocumentSigners(), received.CmsBytes);
  TSignatureWords words;
  std::string csca;
  TPaVerdict cscaVerdict = TPaVerdict::Passed;
  std::string cscaReason;
  if (signature.SignerCount != 1 || !signature.Signer) {
    // With no single signer, or no certificate for it, there is no chain to follow.
    const bool single = signature.SignerCount == 1;
    words = single ? TSignatureWords{"not checked", TPaVerdict::Incomplete, "document signer certificate not available"}
                   : TSignatureWords{"INVALID", TPaVerdict::Failed, "signature invalid"};
    csca = single ? "CSCA: not checked (no document signer certificate)" : "CSCA: not checked (no single signer)";
  } else {
    words = signature.Valid ? TSignatureWords{"valid", TPaVerdict::Passed, {}}
                            : TSignatureWords{"INVALID", TPaVerdict::Failed, "signature invalid"};
    TCscaLine chain = DescribeCsca(signature.Signer.get(), store, std::chrono::system_clock::to_time_t(at), settings);
    csca = std::move(chain.Text);
    cscaVerdict = chain.Finding == TCscaFinding::Trusted   ? TPaVerdict::Passed
                  : chain.Finding == TCscaFinding::Missing ? TPaVerdict::Incomplete
                                                           : TPaVerdict::Failed;
    cscaReason = std::move(chain.Reason);
  }

  TCardSecurityCheck check;
  check.Verdict = Worse(words.Verdict, cscaVerdict);
  // The signature's reason first; the chain's when the signature holds (or beside it).
  for (const std::string* reason : {&words.Reason, &cscaReason})
    if (!reason->empty()) check.Reason += (check.Reason.empty() ? "" : "; ") + *reason;
  check.Line = {"EF.CardSecurity: " + std::to_string(file.size()) + " bytes, signature " + words.Text + ", " + csca,
                check.Verdict == TPaVerdict::Failed ? TPaLineKind::Failure : TPaLineKind::Info};
  check.Infos = std::move(infos);
  return finish(std::move(check));
}
