// EF.SOD as a chip may send it: the 0x77 wrapper, the CMS SignedData, the
// LDS security object, and the whole Passive Authentication of a reading
// with that EF.SOD and one data group, against an empty trust store.
#include <cstddef>
#include <cstdint>
#include <span>

#include "fuzz/FuzzSupport.h"
#include "passiveauth/PassiveAuthentication.h"
#include "passiveauth/SodParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const TTrustStore emptyStore;
  const std::span<const std::uint8_t> sod(data, size);
  const auto parsed = ParseSod(sod);

  TReadingEvidence evidence;
  evidence.SodPresence = TSodPresence::Read;
  evidence.Sod.assign(sod.begin(), sod.end());
  evidence.DataGroups[1] = {0x61, 0x03, 0x5F, 0x1F, 0x00};
  evidence.IssuingState = "UTO";
  const TPaResult result = VerifyPassiveAuthentication(evidence, emptyStore);
  if (result.Lines.empty() || !result.Lines.back().Text.starts_with("Passive authentication: "))
    Finding("no verdict line");
  if (result.Verdict == TPaVerdict::Passed) Finding("PASSED without a trust store");
  if (std::holds_alternative<TSodProblem>(parsed) && result.Verdict != TPaVerdict::Failed)
    Finding("an unreadable EF.SOD did not fail");
  return 0;
}
