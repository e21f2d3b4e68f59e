#include "activeauth/ActiveAuthResult.h"

std::string ActiveAuthenticationLine(const TAaResult& result) {
  const std::string prefix = "Active authentication: ";
  switch (result.Verdict) {
    case TAaVerdict::Passed:
      return prefix + "PASSED";
    case TAaVerdict::Failed:
      return prefix + "FAILED (" + result.Reason + ")";
    case TAaVerdict::NotPossible:
      return prefix + "not possible (" + result.Reason + ")";
    case TAaVerdict::NotSupported:
      break;
  }
  return prefix + "not supported";
}
