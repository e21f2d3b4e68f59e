#pragma once
// The answer to reset a PC/SC reader reports for a contactless ISO/IEC 14443-4
// card (PC/SC part 3). Type B: 3B 88 80 01, eight historical bytes built from
// the ATQB (application data, protocol information, MBLI), and the check
// byte; they say nothing of length fields. A type A card that takes extended
// length: 3B 85 80 01, the ATS's historical bytes (category 80, card
// capabilities 73 with the third byte's b7 set), and the check byte.

#include "tools/simchip/Bytes.h"

namespace simchip {

TBytes ContactlessAtr(bool extendedLength = false);

}  // namespace simchip
