#pragma once
// The digests ICAO 9303-12 allows for EF.SOD and EF.CardSecurity: the
// hashes of the data groups and the digest of the signature. Anything else
// (MD5, a truncated or an unknown digest) is not accepted, even when
// libcrypto could compute it.

#include <string_view>

// By OpenSSL's short name ("SHA256").
bool IsAcceptedDigest(std::string_view shortName);
