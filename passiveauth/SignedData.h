#pragma once
// The CMS SignedData a chip serves (EF.SOD inside its 0x77 wrapper,
// EF.CardSecurity bare), decoded from the start of its bytes.

#include <cstdint>
#include <span>

#include "crypto/OpenSslPointers.h"

struct TReceivedCms {
  TCmsPtr Cms;                             // null when the bytes start with no CMS structure
  std::span<const std::uint8_t> CmsBytes;  // the structure's bytes as received; what follows is the caller's to judge
};

TReceivedCms DecodeReceivedCms(std::span<const std::uint8_t> bytes);
