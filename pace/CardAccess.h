#pragma once
// EF.CardAccess (file 011C of the master file): its SecurityInfos, a DER SET
// of SEQUENCEs each starting with a protocol OID. Every PACEInfo
// (id-PACE-*, version, optional parameter id) is kept in file order; other
// entries are passed over.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct TPaceInfo {
  std::vector<std::uint8_t> Oid;  // content octets of the protocol OBJECT IDENTIFIER
  std::int64_t Version = 0;
  std::optional<std::int64_t> ParameterId;
  bool operator==(const TPaceInfo&) const = default;
};

// The PACEInfos of the file; empty when it holds none or is not a SET of
// SEQUENCEs (nothing then is taken from it).
std::vector<TPaceInfo> ParseCardAccess(std::span<const std::uint8_t> file);

// One log line naming what the chip offers, e.g.
// "EF.CardAccess: PACE id-PACE-ECDH-GM-AES-CBC-CMAC-128 with brainpoolP256r1".
std::string DescribeCardAccess(std::span<const TPaceInfo> infos);
// "<protocol name>, <parameters name>", or the OID in dotted form / the bare id
// where the program does not know them.
std::string DescribePaceInfo(const TPaceInfo& info);
