// ParseCardAccess and its log line over any EF.CardAccess: every PACEInfo
// kept must carry an id-PACE OID, and the line must name each one.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "crypto/PaceProtocols.h"
#include "fuzz/FuzzSupport.h"
#include "pace/CardAccess.h"
#include "pace/PaceAuthentication.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<TPaceInfo> infos = ParseCardAccess(std::span<const std::uint8_t>(data, size));
  for (const TPaceInfo& info : infos)
    if (!IsPaceOid(info.Oid)) Finding("PACEInfo kept with another OID");
  const std::string line = DescribeCardAccess(infos);
  std::size_t named = 0;
  for (std::size_t at = line.find('('); at != std::string::npos; at = line.find('(', at + 1)) ++named;
  if (named < infos.size()) Finding("log line leaves a PACEInfo out");
  if (const TPaceInfo* chosen = ChoosePaceInfo(infos); chosen && !FindPaceProtocol(chosen->Oid))
    Finding("PACE chosen over an unknown protocol");
  return 0;
}
