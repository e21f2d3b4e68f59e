#include "passiveauth/VerdictReport.h"

#include <algorithm>
#include <string_view>

namespace {

// Each reason once, in the order first given (one digest refused for every
// data group is one reason).
std::string Joined(const std::vector<std::string>& reasons) {
  std::string text;
  std::vector<std::string_view> given;
  for (const std::string& reason : reasons) {
    if (std::ranges::find(given, reason) != given.end()) continue;
    given.push_back(reason);
    text += (text.empty() ? "" : "; ") + reason;
  }
  return text;
}

}  // namespace

void TVerdictReport::Info(std::string line) { Lines_.push_back({std::move(line), TPaLineKind::Info}); }

void TVerdictReport::Failure(std::string line, std::string reason) {
  Lines_.push_back({std::move(line), TPaLineKind::Failure});
  Failures_.push_back(std::move(reason));
}

void TVerdictReport::Missing(std::string line, std::string reason) {
  Lines_.push_back({std::move(line), TPaLineKind::Info});
  Missing_.push_back(std::move(reason));
}

void TVerdictReport::SodChecksDone() {
  std::vector<std::string> reasons = Failures_;
  reasons.insert(reasons.end(), Missing_.begin(), Missing_.end());
  sodDoubt_ = Joined(reasons);
}

TPaResult TVerdictReport::Finish() {
  TPaResult result;
  if (!Failures_.empty()) {
    result.Verdict = TPaVerdict::Failed;
    result.Reason = Joined(Failures_);
    Lines_.push_back({"Passive authentication: FAILED (" + result.Reason + ")", TPaLineKind::Failure});
  } else if (!Missing_.empty()) {
    result.Verdict = TPaVerdict::Incomplete;
    result.Reason = Joined(Missing_);
    Lines_.push_back({"Passive authentication: INCOMPLETE (" + result.Reason + ")", TPaLineKind::Info});
  } else {
    result.Verdict = TPaVerdict::Passed;
    Lines_.push_back({"Passive authentication: PASSED", TPaLineKind::Passed});
  }
  result.Lines = std::move(Lines_);
  result.HashMatches = std::move(HashMatches_);
  result.NotListed = std::move(NotListed_);
  result.HashLines = std::move(HashLines_);
  result.Listed = std::move(Listed_);
  // EF.SOD never got as far as its own checks: whatever stopped it is the doubt.
  result.SodDoubt = sodDoubt_.value_or(result.Reason.empty() ? std::string("EF.SOD not checked") : result.Reason);
  return result;
}
