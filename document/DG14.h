#pragma once
// DG14 (tag 6E): the chip's SecurityInfos (document/SecurityInfos), signed
// through EF.SOD. Chip Authentication takes its key and protocol from them,
// Active Authentication its hash.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "document/ChipAuthenticationKey.h"
#include "document/SecurityInfos.h"

using TDG14 = TSecurityInfos;

// The SecurityInfos of DG14 as read (6E, length, SET). Nothing when the file
// is not well formed: the wrapper's length does not hold or the SET does not
// fill it. Entries the program cannot use are passed over (ParseSecurityInfos).
std::optional<TDG14> ParseDG14(std::span<const std::uint8_t> file);

// One way of running Chip Authentication that DG14 offers, in DG14's order:
// the protocol and key to run, or why this one cannot be run.
struct TChipAuthenticationOption {
  std::optional<TChipAuthenticationKey> Key;
  std::string Problem;  // when there is no key, e.g. "version 2", "no key with keyId 3"
};

// Every ChipAuthenticationInfo (version 1, the public key of the same key id,
// or the only key of the right kind when it names none); a DG14 with keys but
// no ChipAuthenticationInfo implies id-CA-ECDH-3DES-CBC-CBC
// (id-CA-DH-3DES-CBC-CBC for a DH key) by MSE:Set KAT, one option per key.
std::vector<TChipAuthenticationOption> ChipAuthenticationOptions(const TDG14& dg14);

// The first of the options that has a key; nothing when none has.
std::optional<TChipAuthenticationKey> ChooseChipAuthentication(const TDG14& dg14);
