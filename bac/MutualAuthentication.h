#pragma once
// Basic Access Control (ICAO 9303 Part 11): GET CHALLENGE, EXTERNAL
// AUTHENTICATE, and the session keys and send sequence counter it installs.

#include <cstdint>
#include <span>
#include <string>

#include "card/CardSession.h"
#include "crypto/MrtdContext.h"
#include "reader/Apdu.h"

// 00 84 00 00 08, 5 bytes.
TCommandApdu BuildGetChallenge();
// 00 82 00 00 28, E_IFD || M_IFD, 28: 46 bytes.
TCommandApdu BuildMutualAuthenticate(std::span<const std::uint8_t, 40> data);

// Authenticates to the chip with the keys of the MRZ information, on the
// session's 3DES record. On success BacEnabled is true and encK, macK and SSC
// hold the session keys and the initial counter. On failure one line is
// logged and BacEnabled stays false; encK and macK then hold K_Enc and K_MAC.
// Gives back that line (empty on success).
// The chip's answer is checked: its MAC (M_ICC) and the RND.IFD it returns
// must match. Either way the session then reads through 3DES secure
// messaging on the record: under the new keys, or without keys after a
// failure (so that nothing the chip sends in plain is taken as data).
std::string PerformBac(const std::string& mrzInformation, TCardSession& session);
