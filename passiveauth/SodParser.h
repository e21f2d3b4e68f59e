#pragma once
// EF.SOD taken apart: the 0x77 wrapper, the CMS SignedData inside it, its
// eContentType (id-icao-mrtd-security-ldsSecurityObject, 2.23.136.1.1.1)
// and the LDS security object it carries.

#include <cstdint>
#include <set>
#include <span>
#include <string>
#include <variant>

#include "crypto/OpenSslPointers.h"
#include "passiveauth/SecurityObject.h"
#include "trust/CmsSignature.h"

struct TParsedSod {
  TCmsPtr Cms;
  std::span<const std::uint8_t> CmsBytes;  // the SignedData as received, inside the 0x77 wrapper
  TSecurityObject SecurityObject;
};

struct TSodProblem {
  bool Truncated = false;  // the bytes end before the wrapper says
  std::string Text;        // what is wrong, for the log
};

std::variant<TParsedSod, TSodProblem> ParseSod(std::span<const std::uint8_t> sod);

// The data groups an EF.SOD lists; empty when it cannot be taken apart.
// The reading reads what EF.SOD lists before checking it.
std::set<int> DataGroupsListedIn(std::span<const std::uint8_t> sod);
