#pragma once
// The hash of every data group read against the value EF.SOD lists for it.

#include <cstdint>
#include <map>
#include <vector>

#include "passiveauth/SecurityObject.h"
#include "passiveauth/VerdictReport.h"

void CheckDataGroupHashes(const std::map<int, std::vector<std::uint8_t>>& dataGroups, const TSecurityObject& object,
                          TVerdictReport& report);
