#pragma once
// The answer to reset a PC/SC reader reports for a contactless ISO/IEC 14443-4
// type B card (PC/SC part 3): 3B 88 80 01, eight historical bytes built from
// the ATQB (application data, protocol information, MBLI), and the check byte.

#include "tools/simchip/Bytes.h"

namespace simchip {

TBytes ContactlessAtr();

}  // namespace simchip
