#pragma once
// Basic Access Control (ICAO 9303 Part 11): GET CHALLENGE, EXTERNAL
// AUTHENTICATE, and the session keys and send sequence counter it installs.

#include <cstdint>
#include <span>
#include <string>

#include "crypto/MrtdContext.h"
#include "reader/Apdu.h"

// 00 84 00 00 08, 5 bytes.
TCommandApdu BuildGetChallenge();
// 00 82 00 00 28, E_IFD || M_IFD, 28: 46 bytes.
TCommandApdu BuildMutualAuthenticate(std::span<const std::uint8_t, 40> data);

// Authenticates to the chip with the keys of the MRZ information. On success
// BacEnabled is true and encK, macK and SSC hold the session keys and the
// initial counter. On failure one line is logged and BacEnabled stays false;
// encK and macK then hold K_Enc and K_MAC. The chip's answer is checked: its
// MAC (M_ICC) and the RND.IFD it returns must match.
void PerformBac(const std::string& mrzInformation, tMRTD_CTX& ctx);
