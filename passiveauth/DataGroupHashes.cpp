#include "passiveauth/DataGroupHashes.h"

#include <string>

#include <openssl/crypto.h>

#include "crypto/OpenSslPointers.h"
#include "trust/AcceptedDigests.h"

namespace {

bool SameHash(const EVP_MD* md, const std::vector<std::uint8_t>& data, const std::vector<std::uint8_t>& listed) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_Digest(data.data(), data.size(), digest, &length, md, nullptr) != 1) return false;
  return length == listed.size() && CRYPTO_memcmp(digest, listed.data(), length) == 0;
}

}  // namespace

void CheckDataGroupHashes(const std::map<int, std::vector<std::uint8_t>>& dataGroups, const TSecurityObject& object,
                          TVerdictReport& report) {
  if (dataGroups.empty()) {
    report.Missing("DG hashes: no data group was read", "no data group read");
    return;
  }
  const bool accepted = IsAcceptedDigest(object.HashAlgorithm);
  const TEvpMdPtr md(accepted ? EVP_MD_fetch(nullptr, object.HashAlgorithm.c_str(), nullptr) : nullptr);
  for (const auto& [number, data] : dataGroups) {
    const std::string name = "DG" + std::to_string(number);
    const auto listed = object.Hashes.find(number);
    const bool matched = listed != object.Hashes.end() && md && SameHash(md.get(), data, listed->second);
    report.HashCompared(number, matched);
    // The line, and the reason the verdict gives when it is a failure (empty: a match).
    std::string line;
    std::string reason;
    if (listed == object.Hashes.end()) {
      report.HashNotListed(number);
      line = name + " hash: not listed in EF.SOD";
      reason = name + " not listed in EF.SOD";
    } else if (!accepted) {
      line = name + " hash: not checked (unsupported digest " + object.HashAlgorithm + ")";
      reason = "unsupported digest " + object.HashAlgorithm;
    } else if (!md) {
      line = name + " hash: MISMATCH (hash algorithm " + object.HashAlgorithm + " unknown)";
      reason = "unknown hash algorithm " + object.HashAlgorithm;
    } else if (matched) {
      line = name + " hash: match";
    } else {
      line = name + " hash: MISMATCH";
      reason = name + " hash mismatch";
    }
    report.HashLine(number, line);
    if (reason.empty())
      report.Info(line);
    else
      report.Failure(line, reason);
  }
}
