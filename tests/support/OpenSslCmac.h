#pragma once
// CMAC with AES by libcrypto, cut to the 8 bytes secure messaging sends: what
// tests check the program's own MACs against.

#include "support/Hex.h"

// CMAC of data under key (AES-128, -192 or -256 by its length), first 8 bytes.
TBytes OpenSslCmac8(const TBytes& key, const TBytes& data);
