#include "trust/PassiveAuthenticationStage.h"

#include <algorithm>
#include <array>

#include "access/PiccView.h"
#include "trust/PassiveAuthentication.h"

namespace {

struct TKindShown {
  TPaLineKind Kind;
  int LogKind;
};

constexpr std::array kLogKinds{
    TKindShown{TPaLineKind::Failure, lkConnectionError},
    TKindShown{TPaLineKind::Passed, lkPassed},
    TKindShown{TPaLineKind::Info, lkProtocol},
};

struct TVerdictOnScreen {
  TPaVerdict Verdict;
  TVerdictShown Shown;
};

constexpr std::array kVerdictsShown{
    TVerdictOnScreen{TPaVerdict::Passed, TVerdictShown::Genuine},
    TVerdictOnScreen{TPaVerdict::Failed, TVerdictShown::NotGenuine},
    TVerdictOnScreen{TPaVerdict::Incomplete, TVerdictShown::Incomplete},
};

int LogKindOf(TPaLineKind kind) {
  return std::find_if(kLogKinds.begin(), kLogKinds.end(), [kind](const TKindShown& k) { return k.Kind == kind; })
      ->LogKind;
}

TVerdictShown ShownOf(TPaVerdict verdict) {
  return std::find_if(kVerdictsShown.begin(), kVerdictsShown.end(),
                      [verdict](const TVerdictOnScreen& v) { return v.Verdict == verdict; })
      ->Shown;
}

}  // namespace

TPaVerdict RunPassiveAuthenticationStage(const TReadingEvidence& evidence, const TTrustStore& store) {
  const TPaResult result = VerifyPassiveAuthentication(evidence, store);
  std::string details;
  for (const TPaLine& line : result.Lines) {
    LogMessage(line.Text, LogKindOf(line.Kind));
    details += (details.empty() ? "" : "\n") + line.Text;
  }
  PiccView().ShowVerdict(ShownOf(result.Verdict), details);
  return result.Verdict;
}
