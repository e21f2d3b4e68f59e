#include "reading/PassiveAuthenticationStage.h"

#include <algorithm>
#include <array>

#include "output/PiccView.h"
#include "passiveauth/PassiveAuthentication.h"

namespace {

struct TKindShown {
  TPaLineKind Kind;
  int LogKind;
};

constexpr std::array kLogKinds{
    TKindShown{TPaLineKind::Failure, lkConnectionError},
    TKindShown{TPaLineKind::Passed, lkPassed},
    TKindShown{TPaLineKind::Info, lkProtocol},
    TKindShown{TPaLineKind::Warning, lkWarning},
};

int LogKindOf(TPaLineKind kind) {
  return std::find_if(kLogKinds.begin(), kLogKinds.end(), [kind](const TKindShown& k) { return k.Kind == kind; })
      ->LogKind;
}

void LogLines(const std::vector<TPaLine>& lines) {
  for (const TPaLine& line : lines) LogMessage(line.Text, LogKindOf(line.Kind));
}

}  // namespace

TPaResult RunPassiveAuthenticationStage(const TReadingEvidence& evidence, const TTrustStore& store) {
  TPaResult result = VerifyPassiveAuthentication(evidence, store);
  LogLines(result.Lines);
  return result;
}

TVerdictShown ShowDocumentVerdict(const TPaResult& passive, const TChipCheck& chipAuthentication,
                                  const TChipCheck& activeAuthentication) {
  const TDocumentVerdict verdict = DecideDocumentVerdict(passive, chipAuthentication, activeAuthentication);
  LogLines(verdict.ChipLines);
  PiccView().ShowVerdict(verdict.Shown, verdict.Details);
  return verdict.Shown;
}
